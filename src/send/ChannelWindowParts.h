#pragma once

#include "send/UrlTarget.h"

#include <QString>

#include <functional>

class QDialog;
class QLabel;
class QWidget;
class TURLLabel;
struct SendContext;

// Controls the channel windows have in common.
namespace ChannelWindowParts {

// A word-wrapped label with the window's explanation.
QLabel *wrappedLabel(const QString &text, QWidget *parent);
// The hyperlink font: 16 pixels, sans-serif, underlined.
void useLinkFont(QWidget *label);
// Sets up a channel window's hyperlink: its type, font and click handler; a failure of the handler
// is shown and the window stays.
void setUpLink(TURLLabel *label, TLabelType type, SendContext &context, std::function<void()> onClick);
// The channel's action: the session archive, then the main window closes, then this window.
void leaveThroughChannel(SendContext &context, QDialog *window);

} // namespace ChannelWindowParts
