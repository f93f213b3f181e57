#include "cli/Command.h"

QString noArguments(const QCommandLineParser &parser)
{
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    return {};
}

QString filled(const QStringList &words, int column, int indent)
{
    QString result;
    for (const QString &word : words) {
        if (!result.isEmpty() && column + 1 + word.size() > kHelpWidth) {
            result += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (!result.isEmpty()) {
            result += QLatin1Char(' ');
            ++column;
        }
        result += word;
        column += int(word.size());
    }
    return result;
}

QStringList synopsisParts(const QString &synopsis)
{
    QStringList parts;
    QString part;
    int depth = 0;
    for (const QChar c : synopsis) {
        if (c == QLatin1Char(' ') && depth == 0) {
            if (!part.isEmpty())
                parts << part;
            part.clear();
            continue;
        }
        if (c == QLatin1Char('(') || c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(')') || c == QLatin1Char(']'))
            --depth;
        part += c;
    }
    if (!part.isEmpty())
        parts << part;
    return parts;
}

QString Command::usageLine() const
{
    const QString head = QStringLiteral("Usage: sorvik ") + text.name;
    if (text.synopsis.isEmpty())
        return head;
    // A synopsis too long for one line goes on below the command's name, broken between its parts.
    return head + QLatin1Char(' ') +
           filled(synopsisParts(text.synopsis), int(head.size()) + 1, int(qstrlen("Usage: sorvik ")));
}
