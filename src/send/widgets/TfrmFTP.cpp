#include "send/widgets/TfrmFTP.h"

#include "session/Product.h"
#include "ui/widgets/Contrast.h"

#include <QLabel>

TfrmFTP::TfrmFTP(SendContext context, QWidget *parent)
    : LinkChannelWindow(
          std::move(context), QStringLiteral("frmFTP"), QStringLiteral("Sorvik FTP"),
          QStringLiteral("Selecting the URL now will close these instructions and take you to the FTP site.  Be sure "
                         "you understand the instructions before proceeding.  Improperly transmitted data will not be "
                         "processed and you will not receive a Year 2000 Server Report"),
          MakerAddress::uploadCaption(), TLabelType::hmHTTP, parent)
{
    buildUi();
}

void TfrmFTP::buildUi()
{
    auto *warning = new QLabel(
        QStringLiteral("Warning: The FTP Upload feature is currently not available on Internet Explorer 4.x"), this);
    warning->setObjectName(QStringLiteral("Label2"));
    warning->setWordWrap(true);
    QPalette red = warning->palette();
    red.setColor(QPalette::WindowText, Contrast::forGround(Qt::red, red.color(QPalette::Window)));
    warning->setPalette(red);
    addNote(warning);
}

void TfrmFTP::archiveBuilt(const SendChannel::Archive &archive)
{
    // The archive is in sight before the page opens: it can be dragged straight into it.
    SendChannel::revealArchive(archive.hostPath);
}
