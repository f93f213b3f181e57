#include "RecordingInteraction.h"

Interaction::Answer RecordingInteraction::message(const QString &caption, const QString &text, Icon icon,
                                                  Buttons buttons)
{
    messages.push_back({caption, text, icon, buttons});
    if (onMessage)
        onMessage();
    if (!m_answers.empty()) {
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return dismissal(buttons);
}

std::optional<QString> RecordingInteraction::inputBox(const QString &caption, const QString &prompt,
                                                      const QString &defaultText)
{
    Q_UNUSED(defaultText);
    inputPrompts.append(caption + QLatin1Char('|') + prompt);
    if (m_inputs.empty())
        return std::nullopt;
    auto text = m_inputs.front();
    m_inputs.pop_front();
    return text;
}

void RecordingInteraction::showException(const QString &text)
{
    exceptions.append(text);
}

void RecordingInteraction::setBusyCursor(bool busy)
{
    busyDepth += busy ? 1 : -1;
}

void RecordingInteraction::processEvents()
{
    ++processEventsCalls;
    if (onProcessEvents)
        onProcessEvents();
}

QStringList RecordingInteraction::texts() const
{
    QStringList all;
    for (const Message &m : messages)
        all.append(m.text);
    return all;
}
