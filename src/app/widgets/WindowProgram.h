#pragma once

class Interaction;
class QxClient;

// The window program from its first moment to its end: the splash window on screen and painted
// before anything else, the application's title and help file, the windows, and the message loop
// until the main window has closed. An application object must exist.
class WindowProgram final
{
public:
    static constexpr const char *TitleProperty = "applicationTitle";

    static int run(QxClient &client, Interaction &interaction);
};
