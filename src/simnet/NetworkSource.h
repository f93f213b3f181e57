#pragma once

#include "session/QxClient.h"

#include <QString>

#include <functional>
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

// Told what to show ("Loading the network description FILE...") before a description large enough
// to take a moment is read (from 8 MB on, a network of some hundreds of servers), so that the user
// sees what the program is doing.
using Loading = std::function<void(const QString &text)>;

// A client serving that network; nullptr and *error (naming the file and the field) when the
// description cannot be used.
std::unique_ptr<QxClient> open(const QString &networkArgument, QString *error, Pace pace = Pace::AsDescribed,
                               const Loading &loading = {});

} // namespace NetworkSource
