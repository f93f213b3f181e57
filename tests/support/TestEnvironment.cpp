#include "TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {
std::vector<std::unique_ptr<QTemporaryDir>> &roots()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> all;
    return all;
}
} // namespace

namespace TestEnvironment {

QString fresh()
{
    auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sorvik-test-XXXXXX"));
    const QString path = dir->path();
    for (const char *sub : {"drive_c", "drive_a", "config", "data", "state"})
        QDir(path).mkpath(QString::fromLatin1(sub));
    qputenv("SORVIK_DRIVE_C", QFile::encodeName(path + QStringLiteral("/drive_c")));
    qputenv("SORVIK_DRIVE_A", QFile::encodeName(path + QStringLiteral("/drive_a")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path + QStringLiteral("/data")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(path + QStringLiteral("/state")));
    // The disk's own free space, unless a test stands in a small disk.
    qunsetenv("SORVIK_MEDIUM_FREE_BYTES");
    roots().push_back(std::move(dir));
    return path;
}

QString root()
{
    return roots().empty() ? QString() : roots().back()->path();
}

} // namespace TestEnvironment
