#pragma once

#include "send/SendChannel.h"
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

// The session archive; the data files it left behind are listed in one Warning box.
SendChannel::Archive buildArchive(SendContext &context);
// The channel's action: the session archive, then `beforeClose` with it, then the main window
// closes, then this window. False, with a Warning, when there was nothing to send (no data file and
// no earlier archive): then both windows stay.
bool leaveThroughChannel(SendContext &context, QDialog *window,
                         const std::function<void(const SendChannel::Archive &)> &beforeClose);

} // namespace ChannelWindowParts
