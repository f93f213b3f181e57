#pragma once

#include "client/QxClient.h"

#include <QString>

#include <memory>

// Which network the program talks to: the file given with --network, else the file named by
// SORVIK_NETWORK, else the built-in demo network.
namespace NetworkSource {

// A client serving that network; nullptr and *error (naming the file and the field) when the
// description cannot be used.
std::unique_ptr<QxClient> open(const QString &networkArgument, QString *error);

} // namespace NetworkSource
