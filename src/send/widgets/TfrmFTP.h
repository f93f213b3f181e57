#pragma once

#include "send/widgets/LinkChannelWindow.h"

// The upload-page window: leaving by it shows the new archive in the file manager, lists each archive
// to upload with its size and SHA-256, and opens the maker's upload page in the web browser, so that
// the archive can be dragged into the page.
class TfrmFTP final : public LinkChannelWindow
{
    Q_OBJECT

public:
    explicit TfrmFTP(SendContext context, QWidget *parent = nullptr);

protected:
    void archiveBuilt(const Sending::Outcome &outcome) override;

private:
    // The warning about the browser, between the explanation and the hyperlink.
    void buildUi();
};
