#pragma once

#include <QMargins>

#include <functional>

class QWidget;

// Where top-level windows go on the screen. Under a window manager a window is framed some time
// after it is shown; until then the frame of a window that is framed already stands in for its own.
namespace WindowPlacement {

// The frame around a top-level window: its own once known, else that of another framed window,
// else none.
QMargins expectedFrame(const QWidget *window);
// Moves a top-level window so that its frame is centred on its screen.
void centre(QWidget *window);
// Runs a step once the window manager has framed the window (at once without one, after a few
// seconds at most), e.g. to place it again with its real frame.
void whenFramed(QWidget *window, std::function<void()> step);
// Centres a window now and again once it is framed. Where the display server places windows
// itself (Wayland), it is left where that puts it.
void centreOnScreen(QWidget *window);
// Centres a window at every showing, as centreOnScreen() does: where Qt placed a dialog itself, it
// guessed its frame at the first showing and knew it at later ones, a caption bar apart.
void centreAtEveryShowing(QWidget *window);
// Whether this program may place its windows and hand them the keyboard (not under Wayland).
bool clientPlacement();
// Raises a window and, where the program may, gives it the keyboard.
void bringForward(QWidget *window);
// Asks the window manager for a dialog's frame: a caption and a close button, without minimise and
// maximise, for a window of fixed size, so that the whole caption is shown. The dialog is centred at
// every showing.
void useDialogFrame(QWidget *window);

} // namespace WindowPlacement
