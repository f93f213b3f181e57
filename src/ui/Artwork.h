#pragma once

#include <QPixmap>
#include <QRect>
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

// A name and the line under it, laid on the band of a drawing (the splash window, the login banner).
struct BandTitle
{
    QString title;
    QRect titleBox;
    int titlePixels = 0;
    QString line;
    QRect lineBox;
    int linePixels = 0;
};
// Writes a band title in Arial, light on the band, left-aligned and centred in height in its boxes;
// the title in bold.
void paintBandTitle(QPainter &painter, const BandTitle &band);
// Gives a window the white ground its drawings are made for.
void setWhiteGround(QWidget *window);

} // namespace Artwork
