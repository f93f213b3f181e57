#pragma once

// Reads a network description (JSON, documented in docs/network.md) into a SimulatedNetwork and
// picks which description the program uses. Every problem gives one message naming the file and
// the field, e.g. "demo.json: servers[3].modules[7].version.major: 300 does not fit in 8 bits".

#include "simnet/SimulatedNetwork.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace sim {

// The built-in demo network (a Qt resource).
inline const QString BuiltInNetwork = QStringLiteral(":/data/demo-network.json");

// Loads the description at `path` (a file or a resource path). On failure returns nothing and
// sets *error (when given) to the message.
std::optional<SimulatedNetwork> loadNetwork(const QString &path, QString *error);
// The same for a description already in memory; `sourceName` names it in messages.
std::optional<SimulatedNetwork> loadNetworkFromJson(const QByteArray &json, const QString &sourceName, QString *error);

// The description to use: `networkOption` (the value of --network; empty when not given), else the
// environment variable SORVIK_NETWORK when set and not empty, else the built-in demo network.
QString chooseNetworkFile(const QString &networkOption);
// The same, taking --network FILE or --network=FILE from the program's arguments (the first
// element is the program itself and is skipped).
QString networkFileFromArguments(const QStringList &arguments);

} // namespace sim
