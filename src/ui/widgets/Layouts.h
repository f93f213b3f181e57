#pragma once

#include <initializer_list>

class QHBoxLayout;
class QWidget;

// Layouts that several windows arrange alike.
namespace Layouts {

// The widgets side by side in the middle of a row, e.g. a window's buttons.
QHBoxLayout *centredRow(std::initializer_list<QWidget *> widgets);

} // namespace Layouts
