#include "send/widgets/TfrmEmail.h"

#include "send/widgets/TURLLabel.h"
#include "session/Product.h"

TfrmEmail::TfrmEmail(SendContext context, QWidget *parent)
    : LinkChannelWindow(std::move(context), QStringLiteral("frmEmail"), QStringLiteral("Sorvik Email"),
                        QStringLiteral("Selecting the URL now will close these instructions and open your default "
                                       "Email software.  Be sure you understand the instructions before proceeding.  "
                                       "Improperly transmitted data will not be processed and you will not receive a "
                                       "Year 2000 Server Report"),
                        MakerAddress::dataMailbox(), TLabelType::hmMAIL, parent)
{
}
