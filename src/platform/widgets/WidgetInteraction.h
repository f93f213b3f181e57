#pragma once

#include "platform/EventPump.h"
#include "platform/Interaction.h"

// The interaction seam with real dialogs: message boxes without owner window, with the caption,
// icon and buttons asked for.
class WidgetInteraction final : public Interaction
{
public:
    Answer message(const QString &caption, const QString &text, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString &caption, const QString &prompt, const QString &defaultText) override;
    void showException(const QString &text) override;
    void setBusyCursor(bool busy) override;
    void processEvents() override;

private:
    EventPump m_pump;
};
