#include "platform/HeadlessInteraction.h"

#include <QCoreApplication>

Interaction::Answer HeadlessInteraction::message(const QString &caption, const QString &text, Icon, Buttons buttons)
{
    m_err << caption << ": " << text << Qt::endl;
    return dismissal(buttons);
}

std::optional<QString> HeadlessInteraction::inputBox(const QString &caption, const QString &prompt, const QString &)
{
    m_err << caption << ": " << prompt << " (no input in a headless run)" << Qt::endl;
    return std::nullopt;
}

void HeadlessInteraction::showException(const QString &text)
{
    m_err << text << Qt::endl;
}

void HeadlessInteraction::processEvents()
{
    if (QCoreApplication::instance() && m_pump.due())
        QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}
