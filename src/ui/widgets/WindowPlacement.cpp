#include "ui/widgets/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

class CentreAtShowing final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType())
            WindowPlacement::centreOnScreen(static_cast<QWidget *>(watched));
        return false;
    }
};

} // namespace

namespace WindowPlacement {

QMargins expectedFrame(const QWidget *window)
{
    if (const QWindow *own = window->windowHandle(); own && !own->frameMargins().isNull())
        return own->frameMargins();
    for (const QWindow *other : QGuiApplication::topLevelWindows()) {
        if (other->isVisible() && !other->frameMargins().isNull())
            return other->frameMargins();
    }
    return {};
}

bool clientPlacement()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void bringForward(QWidget *window)
{
    window->raise();
    if (clientPlacement())
        window->activateWindow();
}

void useDialogFrame(QWidget *window)
{
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint | (window->windowFlags() & Qt::WindowStaysOnTopHint));
    centreAtEveryShowing(window);
}

void centreAtEveryShowing(QWidget *window)
{
    window->installEventFilter(new CentreAtShowing(window));
}

void centre(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen || !clientPlacement())
        return;
    const QMargins frame = expectedFrame(window);
    QRect outer(QPoint(), window->size().grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    // A top-level window's position is that of its frame.
    window->move(outer.topLeft());
}

void whenFramed(QWidget *window, std::function<void()> step)
{
    auto *poll = new QTimer(window);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, step = std::move(step), tries = 0]() mutable {
        const QWindow *handle = window->windowHandle();
        // 150 tries of 20 ms: a window manager frames a new window well within three seconds.
        if ((handle && !handle->frameMargins().isNull()) || ++tries > 150) {
            poll->stop();
            poll->deleteLater();
            step();
        }
    });
    poll->start();
}

void centreOnScreen(QWidget *window)
{
    centre(window);
    if (!clientPlacement())
        return;
    // Placed again until the window manager has framed the window and the frame sits centred; the
    // window manager may have put the window, not its frame, where it was asked to.
    auto *poll = new QTimer(window);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, tries = 0]() mutable {
        const QWindow *handle = window->windowHandle();
        const bool framed = handle && !handle->frameMargins().isNull();
        const QScreen *screen = window->screen();
        const bool centred =
            screen && (window->frameGeometry().center() - screen->availableGeometry().center()).manhattanLength() <= 2;
        if ((framed && centred) || ++tries > 150 || !window->isVisible()) {
            poll->stop();
            poll->deleteLater();
        } else if (framed) {
            centre(window);
        }
    });
    poll->start();
}

} // namespace WindowPlacement
