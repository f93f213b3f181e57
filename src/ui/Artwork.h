#pragma once

#include <QPixmap>
#include <QString>

class QPainter;
class QRectF;
class QWidget;

// The program's pictures: our own SVG drawings, shipped as resources (":/art/NAME.svg") and drawn at
// the size and device pixel ratio they are shown at, so that they stay crisp at 1x and 2x.
namespace Artwork {

// The drawing NAME at a logical size for a widget's screen.
QPixmap pixmap(const QString &name, const QSize &size, const QWidget *shownOn = nullptr);
// The same at an explicit device pixel ratio.
QPixmap pixmap(const QString &name, const QSize &size, qreal devicePixelRatio);
// Draws NAME into a rectangle of a painter.
void paint(QPainter &painter, const QString &name, const QRectF &target);
// Whether a drawing of that name exists and is valid.
bool exists(const QString &name);

} // namespace Artwork
