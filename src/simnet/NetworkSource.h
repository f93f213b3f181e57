#pragma once

#include "session/QxClient.h"

#include <QString>

#include <memory>

// Which network the program talks to: the file given with --network, else the file named by
// SORVIK_NETWORK, else the built-in demo network.
namespace NetworkSource {

enum class Pace
{
    // Every call as slow as the description says.
    AsDescribed,
    // The built-in demo network without the per-call delay that only lets the window's progress be
    // seen; a description file of the user keeps its delays.
    Headless
};

// A client serving that network; nullptr and *error (naming the file and the field) when the
// description cannot be used.
std::unique_ptr<QxClient> open(const QString &networkArgument, QString *error, Pace pace = Pace::AsDescribed);

} // namespace NetworkSource
