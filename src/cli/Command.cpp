#include "cli/Command.h"

QString Command::usageProblem(const QCommandLineParser &parser) const
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    return {};
}

QString Command::usageLine() const
{
    return QStringLiteral("Usage: sorvik ") + name() +
           (synopsis().isEmpty() ? QString() : QLatin1Char(' ') + synopsis());
}
