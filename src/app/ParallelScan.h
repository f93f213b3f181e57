#pragma once

#include "app/ScanDriver.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

class Session;

// A headless scan that collects several servers at once: up to the driver's number of jobs, each
// on its own thread with a session of its own (ScanDriver's contact, output directory and writer,
// as one after the other). Everything a server's turn says (results lines, messages) is held and
// given on the calling thread in list order, each server's block whole, and the driver accounts for
// its turn there, so the results, the outcomes and serverDone come as in a scan one server after
// the other. Data files are those of that scan too: a server's data file waits for an earlier
// server still writing a file of the same name, so the later server in the list has the last word.
// Abort (the session's abort flag, set by the calling thread's processEvents) stops every running
// server after the section it is writing and starts no other.
class ParallelScan final
{
public:
    ParallelScan(ScanDriver &driver, const std::vector<QByteArray> &servers);
    ~ParallelScan();
    ParallelScan(const ParallelScan &) = delete;
    ParallelScan &operator=(const ParallelScan &) = delete;

    void run();

private:
    class Voice;
    struct Said;
    struct Slot;

    // A worker thread: takes the next server in list order until there is none or Abort came.
    void work();
    void turn(std::size_t index);
    void say(std::size_t index, Said said);
    // The gate between naming a data file and writing it (see the class comment).
    void passGate(std::size_t index, Session &session);
    // Tells the progress view of servers started and finished since the last time.
    void tellProgress();
    void stopAndJoin();
    // Gives what the head server said so far; true when its turn has ended and was accounted for.
    bool giveHead(std::size_t head);

    ScanDriver &m_driver;
    Session &m_session;
    std::vector<Slot> m_slots;
    std::vector<std::thread> m_workers;

    std::mutex m_mutex;
    // The calling thread waits here for news: a line said, a server started or finished.
    std::condition_variable m_news;
    // Workers wait here for earlier servers to pass the gate or to finish.
    std::condition_variable m_gate;
    bool m_hasNews = false;
    bool m_progressChanged = false;
    std::size_t m_next = 0;
    // The servers before these have passed the gate, and have finished.
    std::size_t m_passed = 0;
    std::size_t m_finished = 0;
    std::atomic<bool> m_abort = false;
};
