#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace ZipNames {

enum StoreOption : unsigned
{
    soStripDrive = 1,
    soStripPath = 2,
    soRemoveDots = 4,
    soRecurse = 8,
};

// The name a file given to AddFiles is stored under: without drive or network share, without a
// leading backslash or leading "..\", with forward slashes; case and long names are kept.
QString storedName(const QString &givenName, unsigned storeOptions);

// Bucket of a stored name in the entry hash (1021 buckets, over the upper-cased name).
int bucketOf(const QByteArray &storedName);

// Letter case is ignored when stored names are compared.
QByteArray upperCased(const QByteArray &storedName);

// Windows wildcard match ("*" any run, "?" one character), without regard to letter case.
// "*.*" matches every name, also one without a dot.
bool matchesMask(const QString &name, const QString &mask);

} // namespace ZipNames
