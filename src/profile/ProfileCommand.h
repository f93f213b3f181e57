#pragma once

#include <QStringList>
#include <QTextStream>

// "sorvik profile": without options prints the stored contact profile, one Name=value line per value
// in the data file's order; "--set NAME=VALUE" (repeatable) merges values into the stored profile
// and saves it with the same checks as the profile window. args are the arguments after "profile".
// Returns the exit status: 0 done, 1 refused or failed (message on err), 2 usage error.
int runProfileCommand(const QStringList &args, QTextStream &out, QTextStream &err);
