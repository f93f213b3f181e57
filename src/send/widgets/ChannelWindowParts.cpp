#include "send/widgets/ChannelWindowParts.h"

#include "platform/Interaction.h"
#include "send/OutputDirectory.h"
#include "send/SendContext.h"
#include "send/Sending.h"
#include "send/widgets/TURLLabel.h"
#include "session/Product.h"

#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace ChannelWindowParts {

QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    return label;
}

void useLinkFont(QWidget *label)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    font.setUnderline(true);
    label->setFont(font);
}

void setUpLink(TURLLabel *label, TLabelType type, SendContext &context, std::function<void()> onClick)
{
    label->setObjectName(QStringLiteral("URLLabel1"));
    label->setLabelType(type);
    useLinkFont(label);
    label->setOnClick(std::move(onClick));
    label->setExceptionHandler(
        [&context](const std::exception &failure) { context.interaction.showException(exceptionText(failure)); });
}

void fitHeight(QDialog *window)
{
    QLayout *layout = window->layout();
    window->setFixedHeight(layout->hasHeightForWidth() ? layout->totalHeightForWidth(window->width())
                                                       : layout->totalSizeHint().height());
}

QLayout *folderRow(QWidget *parent)
{
    // The folder's name is kept on one line: with a larger font it wrapped after a backslash.
    auto *where =
        new QLabel(QStringLiteral("The archives are kept in <span style=\"white-space:nowrap\">%1</span>, on this "
                                  "computer:<br>%2")
                       .arg(Product::outputDirectory().toHtmlEscaped(), OutputDirectory::hostPath().toHtmlEscaped()),
                   parent);
    where->setTextFormat(Qt::RichText);
    where->setObjectName(QStringLiteral("lblHostFolder"));
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Selected with the mouse for copying, never a stop of the keyboard, so not a control either.
    where->setFocusPolicy(Qt::NoFocus);
    auto *open = new QPushButton(QStringLiteral("Open folder"), parent);
    open->setObjectName(QStringLiteral("btnOpenFolder"));
    open->setAutoDefault(false);
    QObject::connect(open, &QPushButton::clicked, parent, [] { SendChannel::openOutputFolder(); });
    auto *row = new QHBoxLayout;
    row->addWidget(where, 1);
    row->addWidget(open, 0, Qt::AlignVCenter);
    return row;
}

bool showOutcome(SendContext &context, const Sending::Outcome &outcome)
{
    Interaction &interaction = context.interaction;
    switch (outcome.status) {
    case Sending::Status::Ready:
    case Sending::Status::Archived:
        return true;
    case Sending::Status::Cancelled:
        return false;
    case Sending::Status::ArchiveFailed:
        interaction.showException(outcome.reason);
        return false;
    case Sending::Status::ProfileUnreadable:
    case Sending::Status::NothingToSend:
    case Sending::Status::DriveNotReady:
        interaction.warning(outcome.reason);
        return false;
    case Sending::Status::Sent:
    case Sending::Status::NotOnMedium:
    case Sending::Status::MediumTooSmall:
        break;
    }
    // The results box goes with the main window: what it says about kept files is shown now.
    if (!outcome.archive.problems.isEmpty())
        interaction.warning(SendChannel::problemsText(outcome.archive.problems));
    if (!outcome.sent()) {
        interaction.warning(outcome.reason);
        return false;
    }
    return true;
}

bool leaveThroughChannel(SendContext &context, QDialog *window, Sending::Channel channel,
                         const std::function<void(const Sending::Outcome &)> &beforeClose)
{
    if (channel == Sending::Channel::Email) {
        const QString tooLarge = Sending::check(channel).tooLargeForMail;
        if (!tooLarge.isEmpty() && context.interaction.message(QStringLiteral("Warning"),
                                                               tooLarge + QStringLiteral("\n\nGo on with the e-mail?"),
                                                               Interaction::Icon::Warning,
                                                               Interaction::Buttons::YesNo) != Interaction::Answer::Yes)
            return false;
    }
    const Sending::Outcome outcome = Sending::send(context.interaction, context.results, channel);
    // Nothing to send, or nothing sent: leaving now would look like a send. The window stays, so the
    // user can return and scan.
    if (!showOutcome(context, outcome))
        return false;
    if (beforeClose)
        beforeClose(outcome);
    if (context.closeMainWindow)
        context.closeMainWindow();
    window->accept();
    return true;
}

} // namespace ChannelWindowParts
