// libFuzzer target: any bytes given as a network description either load or give one message;
// a network that loads is then served without fault by the simulated client.
#include "simnet/NetworkLoader.h"
#include "simnet/SimulatedClient.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    auto network = sim::loadNetworkFromJson(json, QStringLiteral("fuzz.json"), &error);
    if (!network) {
        if (error.isEmpty())
            __builtin_trap();
        return 0;
    }
    SimulatedClient client(std::move(*network));
    for (const sim::Server &server : client.network().servers) {
        qx::Handle conn = 0;
        if (client.QXCCOpenConnByName(0, server.name, 2, 1, qx::TransportAny, conn) != qx::Success)
            continue;
        quint32 length = 0;
        std::array<quint8, qx::AddressBufferSize> buffer{};
        qx::TransportAddress address{0, 0, buffer.data()};
        if (client.QXCCGetConnAddressLength(conn, length) == qx::Success)
            client.QXCCGetConnAddress(conn, length, address);
        qx::LoadedListRecord list;
        for (quint32 start = 0; client.QXGetQLMLoadedList(conn, start, list) == qx::Success && list.u32(16) > 0;
             start += list.u32(16)) {
            qx::ModuleRecord info;
            qx::ModuleFileName fileName;
            qx::ModuleDescription description;
            qx::ModuleCopyright copyright;
            client.QXGetQLMInfo(conn, list.u32(20), info, fileName, description, copyright);
        }
        for (const sim::Volume &volume : server.volumes) {
            qx::SearchStart start;
            if (client.QXFileSearchInitialize(conn, 0, volume.name + ":", start) != qx::Success)
                continue;
            for (const quint8 attributes : {qx::SearchDirectories, qx::SearchFiles}) {
                qx::SearchEntryRecord entry;
                quint16 sequence = start.sequence;
                for (int i = 0; i < 100 && client.QXIntFileSearchContinue(conn, volume.number, start.directoryId,
                                                                          sequence, attributes, "*", entry, 0) == 0;
                     ++i)
                    sequence = entry.u16(0);
            }
            client.networkDirectoryExists("\\\\" + server.name + "\\" + volume.name + "\\SYSTEM\\NLS\\4");
        }
        client.QXCCCloseConn(conn);
    }
    return 0;
}
