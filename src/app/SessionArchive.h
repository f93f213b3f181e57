#pragma once

#include <QDateTime>
#include <QString>

class Interaction;
class ResultsSink;

namespace SessionArchive {

// Company part of the archive name: only the letters a-z, A-Z and the digits of the company are kept.
QString companyPart(const QString &company);

} // namespace SessionArchive

// Packs every data file of the output directory into the session archive, named after the profile's
// company and the local time "mmddyyhhmm", then deletes each data file that the saved archive holds
// with the same size and CRC-32; a file that did not make it into the archive is kept and named by a
// red line. Returns the archive's Windows path. Failures of the ZIP writer pass as ZipError, and then
// nothing is deleted.
QString BuildSessionArchive(Interaction &interaction, ResultsSink &results,
                            const QDateTime &now = QDateTime::currentDateTime());
