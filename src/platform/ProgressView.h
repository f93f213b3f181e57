#pragma once

#include <QString>
#include <QStringList>

// The scan progress window as the driver and the writer see it.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    virtual void showProgress() = 0;
    virtual void hideProgress() = 0;
    virtual void setServerLabel(const QString &text) = 0;
    // Per-server bar and the percentage label under it.
    virtual void setServerProgress(int percent) = 0;
    // Overall bar and its label.
    virtual void setTotalProgress(int percent) = 0;
    // Servers whose turn has ended of all the scan's servers, and those in work, in list order;
    // told whenever a server starts or finishes.
    virtual void setServersDone(int /*done*/, int /*total*/, const QStringList & /*inWork*/) {}
};

// Progress that nobody sees: a scan of one server among several in work, a benchmark.
class SilentProgress final : public ProgressView
{
public:
    void showProgress() override {}
    void hideProgress() override {}
    void setServerLabel(const QString &) override {}
    void setServerProgress(int) override {}
    void setTotalProgress(int) override {}
};
