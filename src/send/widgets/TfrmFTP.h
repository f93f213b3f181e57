#pragma once

#include "send/widgets/LinkChannelWindow.h"

// The upload-page window: leaving by it shows the new archive in the file manager and opens the
// maker's upload page in the web browser, so that the archive can be dragged into the page.
class TfrmFTP final : public LinkChannelWindow
{
    Q_OBJECT

public:
    explicit TfrmFTP(SendContext context, QWidget *parent = nullptr);

protected:
    void archiveBuilt(const SendChannel::Archive &archive) override;

private:
    // The warning about the browser, between the explanation and the hyperlink.
    void buildUi();
};
