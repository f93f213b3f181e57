#include "platform/HeadlessInteraction.h"

#include <QCoreApplication>
#include <QStringList>

void HeadlessInteraction::write(const QString &message)
{
    if (print)
        print(message);
    else
        m_err << message << Qt::endl;
}

Interaction::Answer HeadlessInteraction::message(const QString &caption, const QString &text, Icon, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        write(caption + QStringLiteral(": ") + text);
        return dismissal(buttons);
    }
    // Nobody is there to answer the question itself (a line ending in "?"), so only what it states
    // is said; the command says what it did instead.
    QStringList statement = text.split(QLatin1Char('\n'));
    statement.removeIf([](const QString &line) { return line.trimmed().endsWith(QLatin1Char('?')); });
    if (!statement.isEmpty())
        write(statement.join(QLatin1Char('\n')));
    if (answer) {
        if (const std::optional<Answer> scripted = answer(caption, text))
            return *scripted;
    }
    return dismissal(buttons);
}

std::optional<QString> HeadlessInteraction::inputBox(const QString &caption, const QString &prompt, const QString &)
{
    // A scripted answer comes from the command line, and the command says what it does with it.
    if (input) {
        if (std::optional<QString> scripted = input(caption, prompt))
            return scripted;
    }
    write(caption + QStringLiteral(": ") + prompt + QStringLiteral(" (no input in a headless run)"));
    return std::nullopt;
}

void HeadlessInteraction::showException(const QString &text)
{
    write(text);
}

void HeadlessInteraction::processEvents()
{
    if (QCoreApplication::instance() && m_pump.due())
        QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}
