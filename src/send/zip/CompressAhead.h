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

// Compresses the files an archive is about to take on other threads, so that each save finds its
// entry's data ready. The threads work within a window of the next files the archive takes, in their
// order and, among the last ones, largest file first: a large file queued last would otherwise be
// compressed alone at the end while the other processors idle. Results that wait beyond the first few keep their data
// in their swap files, so memory stays flat however many are queued. Without a second processor nothing is done ahead
// and take always answers nullptr. Queue and take from one thread only.
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
        qint64 size = -1; // the file's size once a thread looked, to choose the largest first
        bool started = false;
        bool done = false;
        std::unique_ptr<Result> result;
    };

    void work();
    std::shared_ptr<Job> largestWaiting() const;
    std::vector<std::shared_ptr<Job>> unsized();
    bool mayWaitInMemory(const Job &job) const;

    const TZipCompressionMethod m_method;
    const TDeflationOption m_option;
    int m_window = 0;   // jobs started or done but not yet taken, at the most
    int m_inMemory = 0; // results that keep their data in memory while they wait
    std::atomic<bool> m_cancel = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
