#pragma once

#include "platform/Interaction.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// Test double of the interaction seam: records every message and answers from a script.
// With the script empty it answers as a cautious user: OK, Cancel, No, and cancels input boxes.
class RecordingInteraction final : public Interaction
{
public:
    struct Message
    {
        QString caption;
        QString text;
        Icon icon;
        Buttons buttons;
    };

    Answer message(const QString &caption, const QString &text, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString &caption, const QString &prompt, const QString &defaultText) override;
    void showException(const QString &text) override;
    void setBusyCursor(bool busy) override;
    void processEvents() override;

    void queueAnswer(Answer answer) { m_answers.push_back(answer); }
    void queueInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }

    std::vector<Message> messages;
    QStringList inputPrompts;
    QStringList exceptions;
    int busyDepth = 0;
    int processEventsCalls = 0;
    // Runs at every processEvents(), e.g. to press Abort in the middle of a scan.
    std::function<void()> onProcessEvents;
    // Runs while a message is "shown", e.g. to take the keyboard away as a real box does.
    std::function<void()> onMessage;

    QStringList texts() const;

private:
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_inputs;
};
