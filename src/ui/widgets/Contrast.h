#pragma once

#include <QColor>

// Text that stays readable on the ground it is drawn on, whatever the desktop's palette: a dark
// desktop makes the window grounds dark, and a colour chosen for a light ground would vanish there.
namespace Contrast {

// The contrast of two colours, from 1 (alike) to 21 (black on white), by their relative luminance.
double ratio(const QColor &a, const QColor &b);
// `text` itself where it reads well on `ground` (a ratio of 4.5 or more), else the same hue made
// lighter (on a dark ground) or darker (on a light one) until it does.
QColor readable(const QColor &text, const QColor &ground);
// A colour chosen for a light ground (a link's blue, a warning's red): kept as it is on a light
// ground, made readable on a dark one.
QColor forGround(const QColor &text, const QColor &ground);

} // namespace Contrast
