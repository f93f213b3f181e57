#include "ui/widgets/Contrast.h"

#include <cmath>

namespace {

constexpr double kReadable = 4.5;

double channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

} // namespace

namespace Contrast {

double ratio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable(const QColor &text, const QColor &ground)
{
    if (ratio(text, ground) >= kReadable)
        return text;
    const bool darkGround = luminance(ground) < 0.18;
    const QColor target = darkGround ? QColor(Qt::white) : QColor(Qt::black);
    // Mixed step by step towards white or black; the last step is that colour itself.
    for (int step = 1; step <= 20; ++step) {
        const double share = step / 20.0;
        const QColor mixed = QColor::fromRgbF(float(text.redF() + (target.redF() - text.redF()) * share),
                                              float(text.greenF() + (target.greenF() - text.greenF()) * share),
                                              float(text.blueF() + (target.blueF() - text.blueF()) * share));
        if (ratio(mixed, ground) >= kReadable)
            return mixed;
    }
    return target;
}

QColor forGround(const QColor &text, const QColor &ground)
{
    return luminance(ground) < 0.18 ? readable(text, ground) : text;
}

} // namespace Contrast
