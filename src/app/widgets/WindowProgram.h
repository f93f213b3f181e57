#pragma once

#include "platform/ResultsSink.h"

class Interaction;
class QxClient;

// The window program from its first moment to its end: the splash window on screen and painted
// before anything else, the application's title and help file, the windows, and the message loop
// until the main window has closed. An application object must exist.
class WindowProgram final
{
public:
    static constexpr const char *TitleProperty = "applicationTitle";

    // `tidied`: what starting work on the output directory said, shown in the main window's results.
    static int run(QxClient &client, Interaction &interaction, const HeldResults &tidied = HeldResults());
};
