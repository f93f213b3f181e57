#pragma once

#include <QDateTime>
#include <QString>

class Interaction;
class ResultsSink;

namespace SessionArchive {

// Company part of the archive name: only the letters a-z, A-Z and the digits of the company are kept.
QString companyPart(const QString &company);

// Tidies the output directory after a run that was killed; only with the output directory's lock
// held, when no other run can be at work there. An archive that a save left only under its side name
// ("X.zip.old", the archive itself missing or unreadable) is put back under its name, with a line in
// the results (an unreadable archive is kept as "X.zip.damaged"); the temporary files of the archive
// writer and of the data-file writer are removed.
void recoverLeftovers(ResultsSink &results);

} // namespace SessionArchive

// Packs every data file of the output directory into the session archive, named after the profile's
// company and the local time "mmddyyhhmm", then deletes each data file that the saved archive holds
// whose entry, read back from the saved archive and inflated, is the file as it is now; a file that did not make it
// into the archive is kept and named by a red line. Returns the archive's Windows path. Failures of the ZIP writer pass
// as ZipError, and then nothing is deleted.
QString BuildSessionArchive(Interaction &interaction, ResultsSink &results,
                            const QDateTime &now = QDateTime::currentDateTime());
