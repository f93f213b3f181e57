#include "cli/Command.h"

QString noArguments(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    return {};
}

QString Command::usageLine() const
{
    return QStringLiteral("Usage: sorvik ") + text.name +
           (text.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + text.synopsis);
}
