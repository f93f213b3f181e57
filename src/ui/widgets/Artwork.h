#pragma once

#include <QIcon>
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

// A text laid on a drawing: its box and its height in pixels.
struct Caption
{
    QString text;
    QRect box;
    int pixels = 0;
};
// Writes a name and the line under it on the band of a drawing (the splash window, the login banner):
// Arial, light on the band, left-aligned and centred in height in their boxes, the name in bold.
void paintBandTitle(QPainter &painter, const Caption &title, const Caption &line);
// Gives a window the white ground its drawings are made for.
void setWhiteGround(QWidget *window);
// The program's icon: the icon theme's, where the program is installed, else the one built in.
QIcon applicationIcon();

} // namespace Artwork
