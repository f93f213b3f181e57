#pragma once

#include "send/SendContext.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TfrmDisk;
class TfrmEmail;
class TfrmFTP;

// The Send window: how to get the data to the maker, and one button per channel. Each button shows
// its channel window modally; when the channel has closed the main window, this window closes too.
// There is no close button: the user leaves with the window's close box.
class TfrmSend final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSend(SendContext context, QWidget *parent = nullptr);
    ~TfrmSend() override;

    TfrmFTP *ftpWindow() const { return m_frmFTP.get(); }
    TfrmDisk *diskWindow() const { return m_frmDisk.get(); }

    // The instructions shown in RichEdit1.
    static QString instructions();

    // "FTP", "EMAIL", "DISK".
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    // The window's controls and the handlers wired to them.
    void buildUi();
    void wireHandlers();
    void showChannel(QDialog *channel);

    std::unique_ptr<TfrmFTP> m_frmFTP;
    std::unique_ptr<TfrmEmail> m_frmEmail;
    std::unique_ptr<TfrmDisk> m_frmDisk;
    QLabel *m_Label1;
    QPushButton *m_Button1;
    QPushButton *m_Button2;
    QPushButton *m_Button3;
    QPlainTextEdit *m_RichEdit1;
    QPushButton *m_btnOpenFolder = nullptr;
};
