#include "send/TfrmEmail.h"

#include "app/SessionArchive.h"
#include "platform/Interaction.h"
#include "send/ChannelWindowParts.h"
#include "send/MakerAddress.h"
#include "send/TURLLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEmail::TfrmEmail(SendContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_URLLabel1(new TURLLabel(MakerAddress::dataMailbox(), this)),
      m_Button2(new QPushButton(QStringLiteral("Return"), this))
{
    setObjectName(QStringLiteral("frmEmail"));
    setWindowTitle(QStringLiteral("Sorvik Email"));
    setModal(true);

    QLabel *explanation = ChannelWindowParts::wrappedLabel(
        QStringLiteral("Selecting the URL now will close these instructions and open your default Email software.  Be "
                       "sure you understand the instructions before proceeding.  Improperly transmitted data will not "
                       "be processed and you will not receive a Year 2000 Server Report"),
        this);

    ChannelWindowParts::setUpLink(m_URLLabel1, TLabelType::hmMAIL, m_context, [this] { URLLabel1Click(); });
    m_Button2->setObjectName(QStringLiteral("Button2"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_URLLabel1, 0, Qt::AlignHCenter);
    layout->addWidget(m_Button2, 0, Qt::AlignHCenter);
    setFixedWidth(420);

    connect(m_Button2, &QPushButton::clicked, this, &TfrmEmail::Button2Click);
}

void TfrmEmail::URLLabel1Click()
{
    ChannelWindowParts::leaveThroughChannel(m_context, this);
}

void TfrmEmail::Button2Click()
{
    reject();
}
