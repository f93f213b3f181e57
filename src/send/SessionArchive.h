#pragma once

#include <QDateTime>
#include <QString>

class Interaction;
class ResultsSink;

namespace SessionArchive {

// Company part of the archive name: only the letters a-z, A-Z and the digits of the company are kept.
QString companyPart(const QString &company);

// The archive's name holds at most this many characters of the company part, so that the name
// ("<company><mmddyyhhmm>.zip") and every name made from it fit in the 255 bytes a file name holds:
// the side names "X.zip.old" and "X.zip.damaged" add 8 bytes, a temporary ".sorvik-X.zip.XXXXXX" 15.
constexpr qsizetype kLongestCompanyPart = 255 - 15 - 10 - 4;

// Whether a file name is one this program gives a session archive: the company part (at most
// kLongestCompanyPart letters and digits, maybe none), a date and time "mmddyyhhmm" that can be one,
// and ".zip", letter case as written.
bool isArchiveName(const QString &name);

// Tidies the output directory after a run that was killed; only with the output directory's lock
// held, when no other run can be at work there. Only this program's own names are looked at: an
// archive that a save left only under its side name ("X.zip.old" for an X that isArchiveName, the
// archive itself missing or unreadable) is put back under its name, with a line in the results (an
// unreadable archive is kept as "X.zip.damaged"); such a side file that is not a regular file reading
// as a ZIP archive stays where it is, named by a red line. Any other "*.zip.old" is the user's and
// stays as it is. The temporary files of the archive writer and of the data-file writer are removed.
void recoverLeftovers(ResultsSink &results);

// Packs every data file of the output directory into the session archive, named after the profile's
// company and the local time "mmddyyhhmm" (a company part longer than kLongestCompanyPart is cut, with
// a line in the results), then deletes each data file that the saved archive holds whose entry, read
// back from the saved archive and inflated, is the file as it is now; a file that did not make it into
// the archive is kept and named by a red line, as is a "*.DAT" that is a symbolic link or not a regular
// file (neither packed nor deleted). Returns the archive's Windows path. Failures of the ZIP writer pass
// as ZipError, and then nothing is deleted. With sha256 the archive's SHA-256 is worked out beside the
// read-back (empty when it cannot be read whole).
QString build(Interaction &interaction, ResultsSink &results, const QDateTime &now = QDateTime::currentDateTime(),
              QByteArray *sha256 = nullptr);

} // namespace SessionArchive
