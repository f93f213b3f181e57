#pragma once

#include <QAccessible>

#include <functional>

class QWidget;

// Controls drawn by hand (a panel that acts as a button, a label that acts as a link) tell assistive
// technology what they are: their role, their name and a "Press" action that does what a click does.
namespace AccessibleControl {

// From now on every widget of the class `className` (its Q_OBJECT name) is shown to assistive
// technology with `role`, without children, and with a press action that runs `press` once the
// request has returned, so that a window the press opens does not hold up the caller.
void install(const char *className, QAccessible::Role role, std::function<void(QWidget *)> press);
// A window built on a plain widget is shown as the window it is, not as an anonymous part.
void installWindow(const char *className);
// A combo box of the class `className` is named by its accessible name, not by its current entry as
// Qt names combo boxes here, leaving the name to a label: a selector laid over a cell has no label
// of its own. Its entries stay its list.
void installSelector(const char *className);

} // namespace AccessibleControl
