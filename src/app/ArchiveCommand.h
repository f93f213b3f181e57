#pragma once

#include <QStringList>

class QTextStream;

// "sorvik archive": builds the session archive without windows and prints its path. Exit status 0 on
// success, 1 when the archive cannot be built (the message on err), 2 on a usage error.
int runArchiveCommand(const QStringList &args, QTextStream &out, QTextStream &err);
