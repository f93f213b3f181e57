#pragma once

#include "send/SendChannel.h"
#include "send/Sending.h"
#include "send/UrlTarget.h"

#include <QString>

#include <functional>

class QDialog;
class QLabel;
class QLayout;
class QWidget;
class TURLLabel;
struct SendContext;

// Controls and steps the channel windows have in common.
namespace ChannelWindowParts {

// A word-wrapped label with the window's explanation.
QLabel *wrappedLabel(const QString &text, QWidget *parent);
// The hyperlink font: 16 pixels, sans-serif, underlined.
void useLinkFont(QWidget *label);
// Sets up a channel window's hyperlink: its type, font and click handler; a failure of the handler
// is shown and the window stays.
void setUpLink(TURLLabel *label, TLabelType type, SendContext &context, std::function<void()> onClick);
// Gives a window of fixed width the height its word-wrapped texts need.
void fitHeight(QDialog *window);
// Where the output directory is on this computer, with an "Open folder" button beside it.
QLayout *folderRow(QWidget *parent);

// Shows what stands in the way of a send, or what a send could not do, in the window's boxes: the
// reason as a Warning (a failed archive as the exception box), and the data files the archive left
// behind in one Warning. True when the send may go on (checked) or went (sent).
bool showOutcome(SendContext &context, const Sending::Outcome &outcome);
// The channel's action: for an e-mail, the question whether to go on with an archive too large for
// most mail servers; the send, then `beforeClose` with its outcome, then the main window closes, then
// this window. False, with the reason shown, when nothing was sent (the user chose not to, nothing to
// send, an unreadable profile, a failed archive): then both windows stay.
bool leaveThroughChannel(SendContext &context, QDialog *window, Sending::Channel channel,
                         const std::function<void(const Sending::Outcome &)> &beforeClose);

} // namespace ChannelWindowParts
