#include "simnet/NetworkSource.h"

#include "simnet/NetworkLoader.h"
#include "simnet/SimulatedClient.h"

namespace NetworkSource {

std::unique_ptr<QxClient> open(const QString &networkArgument, QString *error, Pace pace)
{
    const QString path = sim::chooseNetworkFile(networkArgument);
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
