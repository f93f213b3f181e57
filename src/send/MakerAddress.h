#pragma once

#include <QString>
#include <QStringList>

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
