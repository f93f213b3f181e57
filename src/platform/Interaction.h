#pragma once

#include <QString>

#include <optional>

// Every message box, question, input box, the busy cursor and "let pending messages be handled"
// go through this one interface. The window implementation shows real dialogs, the test
// implementation records and answers from a script, the headless one prints to standard error.
class Interaction
{
public:
    enum class Icon
    {
        None,
        Information,
        Warning,
        Error,
        Question
    };
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo
    };
    enum class Answer
    {
        Ok,
        Cancel,
        Yes,
        No
    };

    virtual ~Interaction() = default;

    // A message box without owner window.
    virtual Answer message(const QString &caption, const QString &text, Icon icon, Buttons buttons) = 0;
    // An input box; std::nullopt when the user cancels.
    virtual std::optional<QString> inputBox(const QString &caption, const QString &prompt,
                                            const QString &defaultText) = 0;
    // The application's standard box for an exception that reached an event handler.
    virtual void showException(const QString &text) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void processEvents() = 0;

    // The answer of a user who only dismisses the box: OK, Cancel or No.
    static Answer dismissal(Buttons buttons)
    {
        switch (buttons) {
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::Ok:
            break;
        }
        return Answer::Ok;
    }

    // The boxes the program uses most.
    void warning(const QString &text) { message(QStringLiteral("Warning"), text, Icon::Warning, Buttons::Ok); }
    void information(const QString &text)
    {
        message(QStringLiteral("Information"), text, Icon::Information, Buttons::Ok);
    }
};

// Hourglass for the lifetime of the guard, restored on every path.
class BusyCursor
{
public:
    explicit BusyCursor(Interaction &interaction) : m_interaction(interaction) { m_interaction.setBusyCursor(true); }
    ~BusyCursor() { m_interaction.setBusyCursor(false); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    Interaction &m_interaction;
};
