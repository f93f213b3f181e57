#include "send/TfrmFTP.h"

#include "app/SessionArchive.h"
#include "platform/Interaction.h"
#include "send/ChannelWindowParts.h"
#include "send/MakerAddress.h"
#include "send/TURLLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmFTP::TfrmFTP(SendContext context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_URLLabel1(new TURLLabel(MakerAddress::uploadCaption(), this)),
      m_Button2(new QPushButton(QStringLiteral("Return"), this))
{
    setObjectName(QStringLiteral("frmFTP"));
    setWindowTitle(QStringLiteral("Sorvik FTP"));
    setModal(true);

    QLabel *explanation = ChannelWindowParts::wrappedLabel(
        QStringLiteral("Selecting the URL now will close these instructions and take you to the FTP site.  Be sure you "
                       "understand the instructions before proceeding.  Improperly transmitted data will not be "
                       "processed and you will not receive a Year 2000 Server Report"),
        this);
    auto *warning = new QLabel(
        QStringLiteral("Warning: The FTP Upload feature is currently not available on Internet Explorer 4.x"), this);
    warning->setObjectName(QStringLiteral("Label2"));
    warning->setWordWrap(true);
    QPalette red = warning->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    warning->setPalette(red);

    ChannelWindowParts::setUpLink(m_URLLabel1, TLabelType::hmHTTP, m_context, [this] { URLLabel1Click(); });
    m_Button2->setObjectName(QStringLiteral("Button2"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(warning);
    layout->addWidget(m_URLLabel1, 0, Qt::AlignHCenter);
    layout->addWidget(m_Button2, 0, Qt::AlignHCenter);
    setFixedWidth(420);

    connect(m_Button2, &QPushButton::clicked, this, &TfrmFTP::Button2Click);
}

void TfrmFTP::URLLabel1Click()
{
    ChannelWindowParts::leaveThroughChannel(m_context, this);
}

void TfrmFTP::Button2Click()
{
    reject();
}
