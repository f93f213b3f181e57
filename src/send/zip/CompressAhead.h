#pragma once

#include "send/zip/EntryCompressor.h"
#include "send/zip/ScratchStream.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Compresses the files an archive is about to take on other threads, in the order they were queued,
// so that each save finds its entry's data ready. A few files at most are done ahead of the one the
// archive is waiting for, so memory stays flat however many are queued. Without a second processor
// nothing is done ahead and take always answers nullptr. Queue and take from one thread only.
class CompressAhead final
{
public:
    // The compressed data of one file, or why compressing it failed.
    struct Result
    {
        ZipEntry compressed; // what compressing set in an entry of the file
        ScratchStream data;
        QString failure; // empty when compressing succeeded
    };

    CompressAhead(TZipCompressionMethod method, TDeflationOption option);
    // Stops work in progress at its next piece and waits for the threads.
    ~CompressAhead();
    CompressAhead(const CompressAhead &) = delete;
    CompressAhead &operator=(const CompressAhead &) = delete;

    // Files to compress next, by absolute host path.
    void queue(const QString &hostPath);
    // The data of that file compressed with these settings, waiting for it to be done; nullptr when it
    // was not queued or the settings differ. Files queued before it that were never taken are dropped.
    std::unique_ptr<Result> take(const QString &hostPath, TZipCompressionMethod method, TDeflationOption option);

private:
    struct Job
    {
        QString hostPath;
        bool started = false;
        bool done = false;
        std::unique_ptr<Result> result;
    };

    void work();

    const TZipCompressionMethod m_method;
    const TDeflationOption m_option;
    int m_ahead = 0; // jobs started or done but not yet taken, at the most
    std::atomic<bool> m_cancel = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
