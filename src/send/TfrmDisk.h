#pragma once

#include "send/SendContext.h"

#include <QDialog>

class QPushButton;

// The floppy window: "Create Disk" erases the floppy in drive A:, builds the session archive, copies
// every session archive onto the floppy and closes the main window. The window ends accepted when the
// main window was closed, rejected by "Return", by Cancel at the warning or by a failed archive.
class TfrmDisk final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmDisk(SendContext context, QWidget *parent = nullptr);

    // "Create Disk".
    void Button1Click();
    // "Return".
    void Button2Click();

private:
    SendContext m_context;
    QPushButton *m_Button1;
    QPushButton *m_Button2;
};
