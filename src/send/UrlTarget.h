#pragma once

#include <QString>
#include <QUrl>

// Scheme a hyperlink label puts before its caption; hmCUSTOM opens nothing.
enum class TLabelType
{
    hmHTTP,
    hmMAIL,
    hmFTP,
    hmCUSTOM
};

namespace UrlTarget {

// The target text is built in a buffer of 80 characters with its terminator: at most 79 remain.
constexpr int kMaxTargetLength = 79;

// "http:\\", "ftp:\\" or "mailto:"; empty for hmCUSTOM.
QString prefix(TLabelType type);

// Prefix + caption, cut to kMaxTargetLength characters; empty for hmCUSTOM.
QString target(TLabelType type, const QString &caption);

// The address the desktop is handed for a target text. The program writes its web and FTP targets
// with two backslashes ("http:\\host/path") as the Windows shell accepts them; a desktop needs the
// real form "http://host/path". Blanks around the target (the upload-page caption ends in one) are
// not part of the address.
QUrl desktopUrl(const QString &target);

} // namespace UrlTarget
