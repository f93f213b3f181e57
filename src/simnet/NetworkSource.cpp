#include "simnet/NetworkSource.h"

#include "simnet/NetworkLoader.h"
#include "simnet/SimulatedClient.h"

#include <QFileInfo>

namespace NetworkSource {

namespace {

constexpr qint64 LargeDescription = 8 * 1024 * 1024;

} // namespace

std::unique_ptr<QxClient> open(const QString &networkArgument, QString *error, Pace pace, const Loading &loading)
{
    const QString path = sim::chooseNetworkFile(networkArgument);
    if (loading && QFileInfo(path).size() >= LargeDescription)
        loading(QStringLiteral("Loading the network description %1...").arg(path));
    std::optional<sim::SimulatedNetwork> network = sim::loadNetwork(path, error);
    if (!network)
        return nullptr;
    if (pace == Pace::Headless && path == sim::BuiltInNetwork) {
        network->delayMs = 0;
        for (sim::Server &server : network->servers)
            server.delayMs.reset();
    }
    return std::make_unique<SimulatedClient>(std::move(*network));
}

} // namespace NetworkSource
