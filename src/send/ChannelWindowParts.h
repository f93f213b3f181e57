#pragma once

#include <QString>

class QLabel;
class QWidget;

// Controls the channel windows have in common.
namespace ChannelWindowParts {

// A word-wrapped label with the window's explanation.
QLabel *wrappedLabel(const QString &text, QWidget *parent);
// The hyperlink font: 16 pixels, sans-serif, underlined.
void useLinkFont(QWidget *label);

} // namespace ChannelWindowParts
