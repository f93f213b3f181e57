#pragma once

#include <functional>
#include <initializer_list>
#include <utility>

class QHBoxLayout;
class QObject;
class QWidget;

// Layouts and keys that several windows arrange alike.
namespace Layouts {

// The widgets side by side in the middle of a row, e.g. a window's buttons.
QHBoxLayout *centredRow(std::initializer_list<QWidget *> widgets);

// Gives each control its object name, by which tests and screen-reader checks find it.
void setNames(std::initializer_list<std::pair<QObject *, const char *>> named);

// Escape that reaches the window, not taken by the control that has the keyboard (a cell editor
// taking back its edit), does `action` instead of what the window would do with it.
void onEscape(QWidget *window, std::function<void()> action);

} // namespace Layouts
