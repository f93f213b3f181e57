#include "platform/Desktop.h"

#include <QDir>
#include <QFileInfo>

namespace {

Desktop *&installed()
{
    static Desktop *desktop = nullptr;
    return desktop;
}

} // namespace

Desktop &Desktop::current()
{
    Desktop *desktop = installed();
    return desktop ? *desktop : system();
}

void Desktop::install(Desktop *desktop)
{
    installed() = desktop;
}

std::optional<Desktop::Medium> Desktop::mediumAt(const QString &hostDirectory)
{
    const QString wanted = QDir::cleanPath(QFileInfo(hostDirectory).absoluteFilePath());
    for (const Medium &medium : removableMedia()) {
        if (QDir::cleanPath(medium.mountPoint) == wanted)
            return medium;
    }
    return std::nullopt;
}
