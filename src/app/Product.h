#pragma once

#include <QString>

// The fixed values the whole program shares.
namespace Product {

inline constexpr const char VersionText[] = "1.3";

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

inline QString helpFile()
{
    return QStringLiteral("sorvik.hlp");
}

} // namespace Product
