#pragma once

#include "send/widgets/LinkChannelWindow.h"

// The e-mail window: leaving by it opens a new message to the maker's data mailbox in the mail
// program, with the subject "Year 2000 Assessment", a body naming each archive with its size and
// SHA-256, and the new archive attached; where the desktop cannot attach it, the plain mailto:
// address opens and the archive is shown in its folder.
class TfrmEmail final : public LinkChannelWindow
{
    Q_OBJECT

public:
    explicit TfrmEmail(SendContext context, QWidget *parent = nullptr);
};
