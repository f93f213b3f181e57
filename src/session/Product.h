#pragma once

#include <QString>
#include <QStringList>

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

// Where the data goes: the maker's upload page, its mailboxes and its postal return address.
// These are values of this deployment.
namespace MakerAddress {

inline QString webHost()
{
    return QStringLiteral("www.orvane.example");
}
inline QString uploadPath()
{
    return QStringLiteral("/year2000/upload1.html");
}
// The caption of the upload-page hyperlink: host and path without a scheme, with one trailing blank.
inline QString uploadCaption()
{
    return webHost() + uploadPath() + QLatin1Char(' ');
}
inline QString dataMailbox()
{
    return QStringLiteral("y2kdata@orvane.example");
}
inline QString questionMailbox()
{
    return QStringLiteral("y2kquestions@orvane.example");
}
// The postal return address, four lines.
inline QStringList postalAddress()
{
    return {QStringLiteral("Orvane Inc."), QStringLiteral("Attn: Year 2000 Server Reports"),
            QStringLiteral("1200 Harbour Lane, Suite 400"), QStringLiteral("Lakeview, OR 97630")};
}

} // namespace MakerAddress
