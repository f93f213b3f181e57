#include "send/zip/CompressAhead.h"

#include "send/zip/ZipError.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The next files the archive takes that the threads may work on: enough for the largest files of a
// scan to be started first, few enough that the waiting results stay a small cost.
constexpr int kWindow = 64;
// A waiting result beyond the first few keeps at most this much in memory; the rest of it waits in
// its swap file, which a small entry never needs.
constexpr qint64 kSmallResult = 4 * ScratchStream::kPageSize;

// Threads that compress: one a processor, up to four; the archive's own thread mostly waits for them.
int workerCount()
{
    const int processors = int(std::thread::hardware_concurrency());
    return processors < 2 ? 0 : std::min(processors, 4);
}

} // namespace

CompressAhead::CompressAhead(TZipCompressionMethod method, TDeflationOption option) : m_method(method), m_option(option)
{
    const int workers = workerCount();
    m_window = workers > 0 ? kWindow : 0;
    // One finished file may wait in memory beside the ones in work, so that no thread idles while the
    // archive writes the last one out.
    m_inMemory = workers + 1;
    for (int i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { work(); });
}

CompressAhead::~CompressAhead()
{
    m_cancel = true;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void CompressAhead::queue(const QString &hostPath)
{
    if (m_threads.empty())
        return;
    auto job = std::make_shared<Job>();
    job->hostPath = hostPath;
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

std::unique_ptr<CompressAhead::Result> CompressAhead::take(const QString &hostPath, TZipCompressionMethod method,
                                                           TDeflationOption option)
{
    if (method != m_method || option != m_option)
        return nullptr;
    std::unique_lock lock(m_mutex);
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [&](const std::shared_ptr<Job> &job) { return job->hostPath == hostPath; });
    if (found == m_jobs.end())
        return nullptr;
    const std::shared_ptr<Job> job = *found;
    // What came before it was skipped by the archive (not a file, a duplicate name): its work is
    // dropped. A job in progress is finished by its thread and then let go.
    m_jobs.erase(m_jobs.begin(), found);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return job->done; });
    // Only this thread takes jobs out, so the one waited for is still first.
    m_jobs.pop_front();
    m_changed.notify_all();
    return std::move(job->result);
}

// The jobs of the window that no thread has looked at yet, once the window holds the last ones; they
// are marked as being looked at.
std::vector<std::shared_ptr<CompressAhead::Job>> CompressAhead::unsized()
{
    std::vector<std::shared_ptr<Job>> jobs;
    // Only the order of the last files decides when the work ends: before that, the files are taken
    // in their order without looking their sizes up.
    if (int(m_jobs.size()) > m_window)
        return jobs;
    const int window = std::min<int>(m_window, int(m_jobs.size()));
    for (int i = 0; i < window; ++i) {
        if (!m_jobs[i]->started && m_jobs[i]->size == -1) {
            m_jobs[i]->size = -2;
            jobs.push_back(m_jobs[i]);
        }
    }
    return jobs;
}

// The largest file of the window not yet started, the first of equals; nullptr when all are.
std::shared_ptr<CompressAhead::Job> CompressAhead::largestWaiting() const
{
    std::shared_ptr<Job> largest;
    const int window = std::min<int>(m_window, int(m_jobs.size()));
    for (int i = 0; i < window; ++i) {
        const std::shared_ptr<Job> &job = m_jobs[i];
        if (!job->started && (!largest || job->size > largest->size))
            largest = job;
    }
    return largest;
}

bool CompressAhead::mayWaitInMemory(const Job &job) const
{
    const int near = std::min<int>(m_inMemory, int(m_jobs.size()));
    for (int i = 0; i < near; ++i)
        if (m_jobs[i].get() == &job)
            return true;
    return false;
}

void CompressAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::shared_ptr<Job> job;
        m_changed.wait(lock, [&] { return m_stopping || (job = largestWaiting()); });
        if (m_stopping)
            return;
        // The sizes of the files that came into the window, looked up outside the lock; then choose.
        if (const std::vector<std::shared_ptr<Job>> jobs = unsized(); !jobs.empty()) {
            lock.unlock();
            std::vector<qint64> sizes;
            sizes.reserve(jobs.size());
            for (const std::shared_ptr<Job> &each : jobs)
                sizes.push_back(QFileInfo(each->hostPath).size());
            lock.lock();
            for (std::size_t i = 0; i < jobs.size(); ++i)
                jobs[i]->size = sizes[i];
            continue;
        }
        job->started = true;
        lock.unlock();
        auto result = std::make_unique<Result>();
        try {
            result->compressed.diskFileName = job->hostPath;
            EntryCompressor::compress(result->compressed, m_method, m_option, result->data, &m_cancel);
        } catch (const ZipError &failure) {
            result->failure = failure.message();
        } catch (const std::exception &failure) {
            result->failure = QString::fromLocal8Bit(failure.what());
        }
        lock.lock();
        if (result->failure.isEmpty() && result->data.size() > kSmallResult && !mayWaitInMemory(*job)) {
            lock.unlock();
            try {
                result->data.spill();
            } catch (const ZipError &failure) {
                result->failure = failure.message(); // the entry is left out as on any swap file failure
            }
            lock.lock();
        }
        job->result = std::move(result);
        job->done = true;
        m_changed.notify_all();
    }
}
