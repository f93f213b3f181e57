#pragma once

#include <QString>

// The fixed values the whole program shares.
namespace Product {

// The version text of the window's caption, the data files' title line and --version.
inline constexpr const char VersionText[] = SORVIK_VERSION;

inline QString applicationTitle()
{
    return QStringLiteral("Orvane Year2000 Sorvik");
}

inline QString versionText()
{
    return QString::fromLatin1(VersionText);
}

// The directory the data files and the session archives are written to; the program never changes it.
inline QString outputDirectory()
{
    return QStringLiteral("C:\\Orvane\\Sorvik");
}

// The desktop entry's id, which the desktop matches to the window.
inline QString desktopFileName()
{
    return QStringLiteral(SORVIK_APP_ID);
}

inline QString helpFile()
{
    return QStringLiteral("sorvik.hlp");
}

} // namespace Product
