#include "send/widgets/LinkChannelWindow.h"

#include "send/widgets/ChannelWindowParts.h"
#include "send/widgets/TURLLabel.h"
#include "ui/widgets/WindowPlacement.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LinkChannelWindow::LinkChannelWindow(SendContext context, const QString &objectName, const QString &caption,
                                     const QString &explanation, const QString &linkCaption, TLabelType type,
                                     QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_URLLabel1(new TURLLabel(linkCaption, this)),
      m_Button2(new QPushButton(QStringLiteral("Return"), this)), m_layout(new QVBoxLayout(this))
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    WindowPlacement::useDialogFrame(this);
    buildUi(explanation, type);
    wireHandlers();
}

void LinkChannelWindow::buildUi(const QString &explanation, TLabelType type)
{
    // The hyperlink calls its click handler itself, so it gets it here with its type and font.
    ChannelWindowParts::setUpLink(m_URLLabel1, type, m_context, [this] { URLLabel1Click(); });
    m_Button2->setObjectName(QStringLiteral("Button2"));
    // Enter or Space at once, as a user dismisses a window, returns: only a link the user moved to
    // with Tab acts on them.
    m_Button2->setDefault(true);

    m_layout->addWidget(ChannelWindowParts::wrappedLabel(explanation, this));
    m_layout->addWidget(m_URLLabel1, 0, Qt::AlignHCenter);
    m_layout->addLayout(ChannelWindowParts::folderRow(this));
    m_layout->addWidget(m_Button2, 0, Qt::AlignHCenter);
    setFixedWidth(420);
    // Tab goes from the hyperlink to "Open folder" to "Return".
    if (auto *open = findChild<QPushButton *>(QStringLiteral("btnOpenFolder"))) {
        setTabOrder(m_URLLabel1, open);
        setTabOrder(open, m_Button2);
    }
}

void LinkChannelWindow::wireHandlers()
{
    connect(m_Button2, &QPushButton::clicked, this, &LinkChannelWindow::Button2Click);
    m_URLLabel1->setOpener([this](const QString &) { handOver(); });
}

Sending::Channel LinkChannelWindow::channel() const
{
    return m_URLLabel1->LabelType() == TLabelType::hmMAIL ? Sending::Channel::Email : Sending::Channel::Upload;
}

void LinkChannelWindow::handOver()
{
    const Sending::Channel sentBy = channel();
    const Sending::Handover handover =
        sentBy == Sending::Channel::Email ? Sending::openMail(m_sent) : Sending::openUploadPage();
    Sending::record(m_context.interaction, sentBy, m_sent, handover);
}

void LinkChannelWindow::showEvent(QShowEvent *event)
{
    ChannelWindowParts::fitHeight(this);
    QDialog::showEvent(event);
    m_Button2->setFocus(Qt::OtherFocusReason);
}

void LinkChannelWindow::addNote(QWidget *note)
{
    m_layout->insertWidget(1 + m_notes++, note);
}

void LinkChannelWindow::URLLabel1Click()
{
    // Nothing to send: the page or the mail program is not opened either.
    if (!ChannelWindowParts::leaveThroughChannel(m_context, this, channel(), [this](const Sending::Outcome &outcome) {
            m_sent = outcome;
            archiveBuilt(outcome);
        }))
        m_URLLabel1->skipOpen();
}

void LinkChannelWindow::Button2Click()
{
    reject();
}
