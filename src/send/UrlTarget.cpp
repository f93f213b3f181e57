#include "send/UrlTarget.h"

namespace UrlTarget {

QString prefix(TLabelType type)
{
    switch (type) {
    case TLabelType::hmHTTP:
        return QStringLiteral("http:\\\\");
    case TLabelType::hmFTP:
        return QStringLiteral("ftp:\\\\");
    case TLabelType::hmMAIL:
        return QStringLiteral("mailto:");
    case TLabelType::hmCUSTOM:
        break;
    }
    return QString();
}

QString target(TLabelType type, const QString &caption)
{
    if (type == TLabelType::hmCUSTOM)
        return QString();
    return (prefix(type) + caption).left(kMaxTargetLength);
}

QUrl desktopUrl(const QString &target)
{
    QString text = target.trimmed();
    for (const QLatin1String scheme : {QLatin1String("http:"), QLatin1String("ftp:")}) {
        if (text.startsWith(scheme + QLatin1String("\\\\"), Qt::CaseInsensitive)) {
            text = text.left(scheme.size()) + QStringLiteral("//") + text.mid(scheme.size() + 2);
            break;
        }
    }
    return QUrl(text, QUrl::TolerantMode);
}

} // namespace UrlTarget
