#pragma once

#include "cli/CommandLine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// A headless command run in this process, its two output streams captured.
struct CommandRun
{
    int status;
    QString out;
    QString err;

    static CommandRun of(const QStringList &arguments)
    {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const int status = CommandLine::run(arguments, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {status, out, err};
    }
};
