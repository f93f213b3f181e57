#pragma once

#include "send/SendChannel.h"
#include "send/SendContext.h"
#include "send/Sending.h"
#include "send/UrlTarget.h"

#include <QDialog>

class QPushButton;
class QVBoxLayout;
class TURLLabel;

// What the upload-page and e-mail windows share: the explanation, the hyperlink that builds the
// session archive and closes the main window before its target is opened, where the archive will
// be on this computer, and "Return". The window ends accepted after the hyperlink, rejected by
// "Return". Following the hyperlink opens the page or the mail program for the archives that went.
class LinkChannelWindow : public QDialog
{
    Q_OBJECT

public:
    TURLLabel *urlLabel() const { return m_URLLabel1; }

    // Hyperlink's OnClick: the session archive, then the main window closes. A failure of the archive
    // passes on, so that the label opens nothing.
    void URLLabel1Click();
    // "Return".
    void Button2Click();

protected:
    LinkChannelWindow(SendContext context, const QString &objectName, const QString &caption,
                      const QString &explanation, const QString &linkCaption, TLabelType type, QWidget *parent);

    void showEvent(QShowEvent *event) override;

    // Puts a control between the explanation and the hyperlink.
    void addNote(QWidget *note);
    // Runs once the archives that go are built, before the main window closes.
    virtual void archiveBuilt(const Sending::Outcome &) {}

    SendContext m_context;

private:
    // The window's controls and the handlers wired to them.
    void buildUi(const QString &explanation, TLabelType type);
    void wireHandlers();

    // The page or the mail program, once the main window is closed; the send then goes into the
    // history with what it was handed to.
    void handOver();
    Sending::Channel channel() const;

    Sending::Outcome m_sent;
    TURLLabel *m_URLLabel1;
    QPushButton *m_Button2;
    QVBoxLayout *m_layout;
    int m_notes = 0;
};
