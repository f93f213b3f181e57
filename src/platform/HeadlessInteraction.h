#pragma once

#include "platform/EventPump.h"
#include "platform/Interaction.h"

#include <QTextStream>

#include <functional>

// The interaction seam without a display: every message goes to standard error as
// "Caption: text", and questions get the answer a non-interactive run must give (No, Cancel), or
// the scripted one. Of a question only its statement is said, not the question nobody can answer;
// a scripted input is not echoed.
class HeadlessInteraction final : public Interaction
{
public:
    explicit HeadlessInteraction(QTextStream &err) : m_err(err) {}

    Answer message(const QString &caption, const QString &text, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString &caption, const QString &prompt, const QString &defaultText) override;
    void showException(const QString &text) override;
    void setBusyCursor(bool) override {}
    void processEvents() override;

    // Runs at every processEvents(), e.g. to turn Ctrl-C into the abort flag.
    std::function<void()> onProcessEvents;
    // Prints one message ("Caption: text") instead of the plain stream, e.g. around a progress bar.
    std::function<void(const QString &message)> print;
    // A scripted answer to a question or input box, given its caption and text; nothing means the
    // non-interactive answer.
    std::function<std::optional<Answer>(const QString &caption, const QString &text)> answer;
    std::function<std::optional<QString>(const QString &caption, const QString &prompt)> input;

private:
    void write(const QString &message);

    QTextStream &m_err;
    EventPump m_pump;
};
