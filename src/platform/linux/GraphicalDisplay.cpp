#include "platform/GraphicalDisplay.h"

#include <QStringList>
#include <QtGlobal>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>

namespace {

// An X server answers (and lets us in) on the display, e.g. ":0" or "host:1".
bool xOpens(const QByteArray &display)
{
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const bool opened = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return opened;
}

// A Wayland compositor listens on the socket: the name itself when it is a path, else the name in
// XDG_RUNTIME_DIR.
bool waylandOpens(const QByteArray &name)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!name.startsWith('/') && runtime.isEmpty())
        return false;
    const QByteArray path = name.startsWith('/') ? name : runtime + '/' + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool opened = ::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(socket);
    return opened;
}

} // namespace

namespace GraphicalDisplay {

QString problem()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool x = platform.isEmpty() || platform.contains(QLatin1String("xcb"));
    const bool wayland = platform.isEmpty() || platform.contains(QLatin1String("wayland"));
    if (!x && !wayland)
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if ((x && !display.isEmpty() && xOpens(display)) ||
        (wayland && !waylandDisplay.isEmpty() && waylandOpens(waylandDisplay)))
        return {};
    if ((!x || display.isEmpty()) && (!wayland || waylandDisplay.isEmpty()))
        return QStringLiteral("no display available");
    QStringList named;
    if (x && !display.isEmpty())
        named << QStringLiteral("\"%1\" (DISPLAY)").arg(QString::fromLocal8Bit(display));
    if (wayland && !waylandDisplay.isEmpty())
        named << QStringLiteral("\"%1\" (WAYLAND_DISPLAY)").arg(QString::fromLocal8Bit(waylandDisplay));
    return QStringLiteral("cannot open the display ") + named.join(QStringLiteral(" or "));
}

} // namespace GraphicalDisplay
