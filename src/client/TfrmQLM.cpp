#include "client/TfrmQLM.h"
#include "session/Product.h"

#include "platform/Locale.h"
#include "platform/Windows1252.h"
#include "session/Session.h"

#include <cstring>

namespace {

constexpr std::array<const char *, 12> kTypeNames{
    "QLM_GENERIC",         "LAN_DRIVER",           "DSK_DRIVER",      "NAM_SPACE",
    "QLM_UTILITY",         "MIRRORED_SERVER_LINK", "QLM_OS",          "QLM_PAGED_HIGH_OS",
    "HOST_ADAPTER_MODULE", "CUSTOM_DEVICE_MODULE", "QLM_FILE_SYSTEM", "QLM_REAL_MODE",
};

// Module record offsets.
constexpr std::size_t IdAt = 12;
constexpr std::size_t FlagsAt = 16;
constexpr std::size_t TypeAt = 20;
constexpr std::size_t ParentIdAt = 24;
constexpr std::size_t MajorAt = 28;
constexpr std::size_t MinorAt = 32;
constexpr std::size_t YearAt = 40;
constexpr std::size_t MonthAt = 44;
constexpr std::size_t DayAt = 48;
constexpr std::size_t BytesAvailableAt = 52;
constexpr std::size_t FreeCountAt = 56;
constexpr std::size_t LastCollectionAt = 60;
constexpr std::size_t LanguageAt = 64;
constexpr std::size_t PublicsAt = 68;

QByteArray signedText(quint32 value)
{
    return QByteArray::number(qint32(value));
}

} // namespace

TfrmQLM::TfrmQLM(Session &session)
    : m_session(session), m_connection(session), m_thousands(Locale::groupSeparatorBytes())
{
}

TfrmQLM::~TfrmQLM()
{
    // Ten thousand modules are 150,000 texts to free: in steps, so that Abort is answered.
    m_rows.release([this] { m_session.interaction().processEvents(); });
}

// The texts of the two tables point at the literals themselves: module rows hold no copies of them.
QByteArray TfrmQLM::typeText(quint32 type)
{
    if (type >= kTypeNames.size())
        return signedText(type);
    return QByteArray::fromRawData(kTypeNames[type], qsizetype(std::strlen(kTypeNames[type])));
}

QByteArray TfrmQLM::flagsText(quint32 flags)
{
    // "R" for 0x01, "M" for 0x02, "S" for 0x04, "P" for 0x08, in that order.
    static constexpr std::array<const char *, 16> kLetters{"",  "R",  "M",  "RM",  "S",  "RS",  "MS",  "RMS",
                                                           "P", "RP", "MP", "RMP", "SP", "RSP", "MSP", "RMSP"};
    const char *letters = kLetters[flags & 0x0F];
    return QByteArray::fromRawData(letters, qsizetype(std::strlen(letters)));
}

void TfrmQLM::collect()
{
    m_rows.clear();
    if (!m_connection.open())
        return;
    if (m_session.IsVersion3Server(m_connection.handle())) {
        m_session.LogError(QStringLiteral("The QLM List cannot be retrieved from a 3.X Server"));
        return;
    }
    if (m_session.store(m_session.client().QXCheckConsolePrivileges(m_connection.handle())) != qx::Success) {
        m_session.LogError(QStringLiteral("You must have Network Administrator (Console Operator) privileges to %1 "
                                          "to access the QLM List")
                               .arg(Windows1252::toUnicode(m_session.currentServerName)));
        return;
    }
    query();
}

void TfrmQLM::query()
{
    BusyCursor busy(m_session.interaction());
    quint32 start = 0;
    quint32 reported = qx::LoadedListCapacity;
    while (reported == qx::LoadedListCapacity) {
        qx::LoadedListRecord list;
        const qx::Code code =
            m_session.store(m_session.client().QXGetQLMLoadedList(m_connection.handle(), start, list));
        if (code != qx::Success) {
            reportListFailure(code);
            return;
        }
        // The record holds no more than 128 module numbers, whatever count the server claims; only a
        // batch of exactly 128 asks for another.
        reported = list.u32(qx::LoadedListCountAt);
        const quint32 count = std::min<quint32>(reported, qx::LoadedListCapacity);
        for (quint32 i = 0; i < count; ++i) {
            if (!addModule(list.u32(qx::LoadedListNumbersAt + 4 * i), i))
                break; // the rest of this batch is skipped without a message
            m_session.interaction().processEvents();
        }
        if (start > UINT32_MAX - count)
            break; // the module numbers are 32-bit; there is no batch after the last one
        start += count;
    }
}

bool TfrmQLM::addModule(quint32 moduleNumber, quint32 position)
{
    qx::ModuleRecord info;
    qx::ModuleFileName fileName;
    qx::ModuleDescription description;
    qx::ModuleCopyright copyright;
    if (m_session.store(m_session.client().QXGetQLMInfo(m_connection.handle(), moduleNumber, info, fileName,
                                                        description, copyright)) != qx::Success)
        return false;

    ModuleRow row;
    row.fields[ModuleRow::FileName] = qx::bufferText(fileName);
    row.fields[ModuleRow::Version] = signedText(info.u32(MajorAt)) + '.' + signedText(info.u32(MinorAt));
    row.fields[ModuleRow::Date] =
        signedText(info.u32(MonthAt)) + '/' + signedText(info.u32(DayAt)) + '/' + signedText(info.u32(YearAt));
    row.fields[ModuleRow::Id] = signedText(info.u32(IdAt));
    row.fields[ModuleRow::ParentId] = signedText(info.u32(ParentIdAt));
    row.fields[ModuleRow::Type] = typeText(info.u32(TypeAt));
    row.fields[ModuleRow::Description] = qx::bufferText(description);
    row.fields[ModuleRow::Flags] = flagsText(info.u32(FlagsAt));
    row.fields[ModuleRow::BytesAvailable] = Locale::formatGrouped(info.u32(BytesAvailableAt), m_thousands);
    row.fields[ModuleRow::FreeCount] = Locale::formatGrouped(info.u32(FreeCountAt), m_thousands);
    row.fields[ModuleRow::LastCollection] = Locale::formatGrouped(info.u32(LastCollectionAt), m_thousands);
    row.fields[ModuleRow::Language] = QByteArray::number(info.u32(LanguageAt));
    row.fields[ModuleRow::Publics] = QByteArray::number(info.u32(PublicsAt));
    row.fields[ModuleRow::Copyright] = qx::bufferText(copyright);
    row.fields[ModuleRow::Position] = QByteArray::number(position);
    m_rows.add(std::move(row));
    return true;
}

void TfrmQLM::reportListFailure(qx::Code code)
{
    Interaction &interaction = m_session.interaction();
    if (code == qx::NoConsoleRights) {
        interaction.message(Product::applicationTitle(),
                            QStringLiteral("You must have console rights to the server to see the qlm list"),
                            Interaction::Icon::None, Interaction::Buttons::Ok);
    } else if (code == qx::OutdatedClient) {
        interaction.message(Product::applicationTitle(),
                            QStringLiteral("Your Orvane Client installed on this workstation is not current.\n"
                                           "You MUST have the latest Orvane Client installed to collect all\n"
                                           "Year2000 and server QLM information.\n\n"
                                           "The Sorvik application will now terminate.\n"
                                           "Install the current Orvane Client on this workstation then\n"
                                           "re-run the Sorvik Year2000 information collection tool."),
                            Interaction::Icon::None, Interaction::Buttons::Ok);
        m_session.requestTerminate();
    } else {
        m_session.LogError(QStringLiteral("QXGetQLMLoadedList returned:\nError Code: ") + hexCode(code));
    }
}
