#include "platform/HeadlessInteraction.h"

#include <QCoreApplication>

void HeadlessInteraction::write(const QString &message)
{
    if (print)
        print(message);
    else
        m_err << message << Qt::endl;
}

Interaction::Answer HeadlessInteraction::message(const QString &caption, const QString &text, Icon, Buttons buttons)
{
    write(caption + QStringLiteral(": ") + text);
    if (buttons != Buttons::Ok && answer) {
        if (const std::optional<Answer> scripted = answer(caption, text))
            return *scripted;
    }
    return dismissal(buttons);
}

std::optional<QString> HeadlessInteraction::inputBox(const QString &caption, const QString &prompt, const QString &)
{
    if (input) {
        if (std::optional<QString> scripted = input(caption, prompt)) {
            write(caption + QStringLiteral(": ") + prompt + QStringLiteral(" ") + *scripted);
            return scripted;
        }
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
