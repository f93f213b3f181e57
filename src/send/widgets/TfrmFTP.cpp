#include "send/widgets/TfrmFTP.h"

#include "platform/Interaction.h"
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

void TfrmFTP::archiveBuilt(const Sending::Outcome &outcome)
{
    // The archive is in sight before the page opens: it can be dragged straight into it.
    SendChannel::revealArchive(outcome.archives.first());
    // What to upload, with what the maker can check it by: the program closes before the page opens.
    const QString head = outcome.going.size() == 1
                             ? QStringLiteral("Upload this archive on the page that opens now:\n")
                             : QStringLiteral("Upload these archives on the page that opens now:\n");
    m_context.interaction.information((head + SendChannel::factsText(outcome.going)).trimmed());
}
