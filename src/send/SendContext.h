#pragma once

#include <QString>

#include <exception>
#include <functional>

class Interaction;
class ResultsSink;

// What the send windows need from the main window: its message boxes, its results box (the session
// archive reports there) and the way to close it, which ends the program.
struct SendContext
{
    Interaction &interaction;
    ResultsSink &results;
    std::function<void()> closeMainWindow;
};

// The text of the standard exception box for a failure that reached a send window's handler.
inline QString exceptionText(const std::exception &failure)
{
    // Every failure of the program, the ZIP engine's among them, carries its text as UTF-8.
    return QString::fromUtf8(failure.what());
}
