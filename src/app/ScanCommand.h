#pragma once

#include <QStringList>
#include <QTextStream>

class QxClient;

// `sorvik scan [--all | SERVER...] [--no-sys-files]`: the scan without a display. Results-box
// lines go to standard output (red ones to standard error); exit status 0 when the scan completed,
// 1 when it was refused, aborted with Ctrl-C or the client asked the program to end, 2 on a usage error.
int runScanCommand(QxClient &client, const QStringList &args, QTextStream &out, QTextStream &err);
