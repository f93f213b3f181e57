#include "send/UrlTarget.h"

namespace UrlTarget {

QString prefix(TLabelType type)
{
    // A custom label opens nothing of its own: no prefix.
    static const char *const prefixes[] = {"http:\\\\", "mailto:", "ftp:\\\\", ""};
    static_assert(int(TLabelType::hmHTTP) == 0 && int(TLabelType::hmMAIL) == 1 && int(TLabelType::hmFTP) == 2 &&
                  int(TLabelType::hmCUSTOM) == 3);
    return QString::fromLatin1(prefixes[int(type)]);
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
