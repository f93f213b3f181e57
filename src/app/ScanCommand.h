#pragma once

#include <QStringList>
#include <QTextStream>

class QxClient;

// `sorvik scan [--all | SERVER...] [--no-sys-files]`: the scan without a display. Results-box
// lines go to standard output (red ones to standard error); exit status 0 when every server's data
// file was saved, 1 when the scan was refused, aborted with Ctrl-C, left a server without a data
// file, or the client asked the program to end, 2 on a usage error.
int runScanCommand(QxClient &client, const QStringList &args, QTextStream &out, QTextStream &err);
