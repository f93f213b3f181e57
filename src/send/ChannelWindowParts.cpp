#include "send/ChannelWindowParts.h"

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
