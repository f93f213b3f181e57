#pragma once

#include <QString>

// Whether the window can open the display the environment names, asked before the GUI library
// tries: it would end the program with an abort of its own, where a user needs to hear what to do.
namespace GraphicalDisplay {

// What stands in the way of opening the display; empty when it opens. "no display available" when
// the environment names none, else "cannot open the display ..." with the name it gives. A
// platform other than the desktop's own (QT_QPA_PLATFORM=offscreen, vnc, ...) is left to the GUI
// library.
QString problem();

} // namespace GraphicalDisplay
