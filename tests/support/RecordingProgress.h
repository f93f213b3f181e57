#pragma once

#include "platform/ProgressView.h"

#include <QStringList>

#include <vector>

// Test double of the progress window: remembers every step shown.
class RecordingProgress final : public ProgressView
{
public:
    void showProgress() override
    {
        visible = true;
        ++shown;
        serverSteps.push_back(0);
    }
    void hideProgress() override { visible = false; }
    void setServerLabel(const QString &text) override { labels.append(text); }
    void setServerProgress(int percent) override { serverSteps.push_back(percent); }
    void setTotalProgress(int percent) override { totalSteps.push_back(percent); }

    bool visible = false;
    int shown = 0;
    QStringList labels;
    std::vector<int> serverSteps;
    std::vector<int> totalSteps;
};
