#include "ui/widgets/Artwork.h"
#include "session/Product.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

#include <memory>

// The resources live in a static library: they are registered on first use. (Outside any namespace,
// as the registration macro requires.)
static void registerResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

// One renderer per drawing, kept for the animations that draw several times a second.
QSvgRenderer *renderer(const QString &name)
{
    registerResources();
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    auto it = renderers.find(name);
    if (it == renderers.end())
        it = renderers.insert(name, std::make_shared<QSvgRenderer>(QStringLiteral(":/art/%1.svg").arg(name)));
    return it->get();
}

} // namespace

namespace Artwork {

QPixmap pixmap(const QString &name, const QSize &size, const QWidget *shownOn)
{
    return pixmap(name, size, shownOn ? shownOn->devicePixelRatioF() : qreal(1));
}

QPixmap pixmap(const QString &name, const QSize &size, qreal devicePixelRatio)
{
    QPixmap result(size * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(painter, name, QRectF(QPointF(0, 0), QSizeF(size)));
    return result;
}

void paint(QPainter &painter, const QString &name, const QRectF &target)
{
    renderer(name)->render(&painter, target);
}

bool exists(const QString &name)
{
    return renderer(name)->isValid();
}

void paintBandTitle(QPainter &painter, const Caption &title, const Caption &line)
{
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(title.pixels);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(QColor(0xF4, 0xF4, 0xF4));
    painter.drawText(title.box, Qt::AlignLeft | Qt::AlignVCenter, title.text);
    QFont lineFont(QStringLiteral("Arial"));
    lineFont.setPixelSize(line.pixels);
    painter.setFont(lineFont);
    painter.drawText(line.box, Qt::AlignLeft | Qt::AlignVCenter, line.text);
}

void setWhiteGround(QWidget *window)
{
    window->setAutoFillBackground(true);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, Qt::white);
    // The texts on it stay dark, also where the desktop's palette has light text for dark windows.
    pal.setColor(QPalette::WindowText, Qt::black);
    window->setPalette(pal);
}

QIcon applicationIcon()
{
    registerResources();
    return QIcon::fromTheme(Product::desktopFileName(),
                            QIcon(QStringLiteral(":/icons/") + Product::desktopFileName() + QStringLiteral(".svg")));
}

} // namespace Artwork
