#pragma once

#include "send/SendContext.h"

#include <QDialog>

class QPushButton;
class TURLLabel;

// The e-mail window: leaving by it opens a new message to the maker's data mailbox in the mail program.
// The hyperlink builds the session archive and closes the main window before the target is opened;
// the window ends accepted then, and rejected by "Return".
class TfrmEmail final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmEmail(SendContext context, QWidget *parent = nullptr);

    TURLLabel *urlLabel() const { return m_URLLabel1; }

    // Hyperlink's OnClick: the session archive, then the main window closes. A failure of the archive
    // passes on, so that the label opens nothing.
    void URLLabel1Click();
    // "Return".
    void Button2Click();

private:
    SendContext m_context;
    TURLLabel *m_URLLabel1;
    QPushButton *m_Button2;
};
