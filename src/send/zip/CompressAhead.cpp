#include "send/zip/CompressAhead.h"

#include "send/zip/ZipError.h"

#include <algorithm>

namespace {

// Threads that compress: one a processor, up to four; the archive's own thread mostly waits for them.
int workerCount()
{
    const int processors = int(std::thread::hardware_concurrency());
    return processors < 2 ? 0 : std::min(processors, 4);
}

} // namespace

CompressAhead::CompressAhead(TZipCompressionMethod method, TDeflationOption option)
    : m_method(method), m_option(option)
{
    const int workers = workerCount();
    // One finished file may wait beside the ones in work, so that no thread idles while the archive
    // writes the last one out.
    m_ahead = workers > 0 ? workers + 1 : 0;
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

void CompressAhead::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::shared_ptr<Job> job;
        m_changed.wait(lock, [&] {
            if (m_stopping)
                return true;
            const int window = std::min<int>(m_ahead, int(m_jobs.size()));
            for (int i = 0; i < window; ++i) {
                if (!m_jobs[i]->started) {
                    job = m_jobs[i];
                    return true;
                }
            }
            return false;
        });
        if (m_stopping)
            return;
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
        job->result = std::move(result);
        job->done = true;
        m_changed.notify_all();
    }
}
