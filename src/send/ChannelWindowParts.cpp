#include "send/ChannelWindowParts.h"

#include "app/SessionArchive.h"
#include "platform/Interaction.h"
#include "send/SendContext.h"
#include "send/TURLLabel.h"

#include <QDialog>
#include <QFont>
#include <QLabel>

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

} // namespace ChannelWindowParts

void ChannelWindowParts::leaveThroughChannel(SendContext &context, QDialog *window)
{
    BuildSessionArchive(context.interaction, context.results);
    if (context.closeMainWindow)
        context.closeMainWindow();
    window->accept();
}

void ChannelWindowParts::setUpLink(TURLLabel *label, TLabelType type, SendContext &context,
                                   std::function<void()> onClick)
{
    label->setObjectName(QStringLiteral("URLLabel1"));
    label->setLabelType(type);
    useLinkFont(label);
    label->setOnClick(std::move(onClick));
    label->setExceptionHandler(
        [&context](const std::exception &failure) { context.interaction.showException(exceptionText(failure)); });
}
