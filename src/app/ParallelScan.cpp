#include "app/ParallelScan.h"

#include "platform/Interaction.h"
#include "platform/ProgressView.h"
#include "platform/ResultsSink.h"
#include "platform/Windows1252.h"
#include "report/TfrmReport.h"
#include "session/Product.h"
#include "session/Session.h"

#include <QStringList>

#include <chrono>
#include <optional>
#include <utility>

namespace {

// How often the calling thread looks at Abort (a stop signal, a closed output pipe) while it waits.
constexpr std::chrono::milliseconds kLookInterval{10};

} // namespace

// One thing a server's turn said, held until it is that server's turn to be given.
struct ParallelScan::Said
{
    enum class Kind
    {
        Line,
        Message,
        Input,
        Exception
    };
    Kind kind = Kind::Line;
    QString caption;
    QString text;
    ResultsSink::Color color = ResultsSink::Color::Black;
    Interaction::Icon icon = Interaction::Icon::None;
    Interaction::Buttons buttons = Interaction::Buttons::Ok;
};

// One selected server. `said` and the flags are guarded by the mutex; `turn`, `terminate` and
// `dataFile` are written by the worker before it marks the slot passed or finished.
struct ParallelScan::Slot
{
    QByteArray server;
    std::vector<Said> said;
    bool taken = false;
    bool passed = false;
    bool finished = false;
    QByteArray dataFile;
    ScanDriver::Turn turn;
    bool terminate = false;
    std::exception_ptr error;
};

// The interaction and results box of a worker's session: what it says is held for the calling
// thread. A question gets the answer of a user who only dismisses the box (a headless scan has
// nobody to ask); processEvents takes over the scan's Abort.
class ParallelScan::Voice final : public Interaction, public ResultsSink
{
public:
    Voice(ParallelScan &scan, std::size_t index) : m_scan(scan), m_index(index) {}

    Session *session = nullptr;

    Answer message(const QString &caption, const QString &text, Icon icon, Buttons buttons) override
    {
        m_scan.say(m_index, {Said::Kind::Message, caption, text, ResultsSink::Color::Black, icon, buttons});
        return dismissal(buttons);
    }
    std::optional<QString> inputBox(const QString &caption, const QString &prompt, const QString &) override
    {
        m_scan.say(m_index, {Said::Kind::Input, caption, prompt});
        return std::nullopt;
    }
    void showException(const QString &text) override { m_scan.say(m_index, {Said::Kind::Exception, {}, text}); }
    void setBusyCursor(bool) override {}
    void processEvents() override
    {
        if (session && m_scan.m_abort.load())
            session->abortFlag = true;
    }
    void appendLine(const QString &text, Color color) override
    {
        m_scan.say(m_index, {Said::Kind::Line, {}, text, color});
    }
    void clear() override {}

private:
    ParallelScan &m_scan;
    std::size_t m_index;
};

ParallelScan::ParallelScan(ScanDriver &driver, const std::vector<QByteArray> &servers)
    : m_driver(driver), m_session(driver.m_session), m_slots(servers.size())
{
    for (std::size_t i = 0; i < servers.size(); ++i)
        m_slots[i].server = servers[i];
}

ParallelScan::~ParallelScan()
{
    stopAndJoin();
}

void ParallelScan::run()
{
    const std::size_t jobs = std::min(std::size_t(m_driver.m_jobs), m_slots.size());
    for (std::size_t i = 0; i < jobs; ++i)
        m_workers.emplace_back([this] { work(); });
    std::size_t head = 0;
    while (head < m_slots.size()) {
        m_session.interaction().processEvents();
        if (m_session.abortFlag && !m_abort) {
            // Set under the lock, so that no worker takes a server after it.
            const std::lock_guard lock(m_mutex);
            m_abort = true;
        }
        tellProgress();
        if (giveHead(head)) {
            ++head;
            continue;
        }
        std::unique_lock lock(m_mutex);
        if (!m_slots[head].taken && m_abort)
            break; // the servers from here on are not scanned
        m_news.wait_for(lock, kLookInterval, [this] { return m_hasNews; });
        m_hasNews = false;
    }
    stopAndJoin();
    tellProgress();
}

bool ParallelScan::giveHead(std::size_t head)
{
    Slot &slot = m_slots[head];
    std::vector<Said> said;
    bool finished = false;
    {
        const std::lock_guard lock(m_mutex);
        said.swap(slot.said);
        finished = slot.finished;
    }
    for (const Said &s : said) {
        switch (s.kind) {
        case Said::Kind::Line:
            m_session.results().appendLine(s.text, s.color);
            break;
        case Said::Kind::Message:
            m_session.interaction().message(s.caption, s.text, s.icon, s.buttons);
            break;
        case Said::Kind::Input:
            m_session.interaction().inputBox(s.caption, s.text, QString());
            break;
        case Said::Kind::Exception:
            m_session.interaction().showException(s.text);
            break;
        }
    }
    if (!finished)
        return false;
    if (slot.error) {
        // As in a scan one server after the other, the failure ends the scan where it happened.
        stopAndJoin();
        std::rethrow_exception(slot.error);
    }
    if (slot.terminate)
        m_session.requestTerminate();
    if (slot.turn.reached) {
        m_session.currentServerName = slot.server;
        m_session.currentDataFileName = slot.turn.dataFile;
        m_session.lastDataFilePath =
            Product::outputDirectory() + QLatin1Char('\\') + Windows1252::toUnicode(slot.turn.dataFile);
    }
    m_driver.account(slot.server, slot.turn);
    return true;
}

void ParallelScan::tellProgress()
{
    int done = 0;
    QStringList inWork;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_progressChanged)
            return;
        m_progressChanged = false;
        for (const Slot &slot : m_slots) {
            if (slot.finished)
                ++done;
            else if (slot.taken)
                inWork << Windows1252::toUnicode(slot.server);
        }
    }
    // No one server's bar means anything while several are in work: the bar shows the servers done.
    const int total = int(m_slots.size());
    m_driver.m_progress.setServerProgress(total > 0 ? done * 100 / total : 0);
    m_driver.m_progress.setServersDone(done, total, inWork);
}

void ParallelScan::stopAndJoin()
{
    {
        const std::lock_guard lock(m_mutex);
        m_abort = m_abort || m_next < m_slots.size();
    }
    for (std::thread &worker : m_workers) {
        if (worker.joinable())
            worker.join();
    }
    m_workers.clear();
}

void ParallelScan::work()
{
    for (;;) {
        std::size_t index = 0;
        {
            const std::lock_guard lock(m_mutex);
            if (m_abort || m_next >= m_slots.size())
                return;
            index = m_next++;
            m_slots[index].taken = true;
            m_progressChanged = m_hasNews = true;
        }
        m_news.notify_one();
        std::exception_ptr error;
        try {
            turn(index);
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            Slot &slot = m_slots[index];
            slot.error = error;
            slot.passed = slot.finished = true;
            m_progressChanged = m_hasNews = true;
            if (error)
                m_abort = true;
        }
        m_news.notify_one();
        m_gate.notify_all();
    }
}

void ParallelScan::turn(std::size_t index)
{
    Slot &slot = m_slots[index];
    Voice voice(*this, index);
    Session session(m_session, voice, voice);
    voice.session = &session;
    voice.processEvents();
    if (const std::optional<QByteArray> dataFile = ScanDriver::contact(session, slot.server)) {
        slot.turn.reached = true;
        slot.turn.dataFile = *dataFile;
        passGate(index, session);
        SilentProgress progress; // only the calling thread draws progress
        TfrmReport writer(session, progress);
        const TfrmReport::Outcome outcome = writer.btnRunClick();
        slot.turn.saved = outcome.saved;
        slot.turn.error = outcome.error;
        slot.turn.aborted = session.abortFlag;
    } else {
        const std::lock_guard lock(m_mutex);
        slot.passed = true;
    }
    slot.terminate = session.terminateRequested();
    m_gate.notify_all();
}

void ParallelScan::passGate(std::size_t index, Session &session)
{
    std::unique_lock lock(m_mutex);
    // The output directory is looked at in list order, so that the first server to find it missing
    // is the one that says so.
    m_gate.wait(lock, [&] {
        while (m_passed < index && m_slots[m_passed].passed)
            ++m_passed;
        return m_passed >= index;
    });
    lock.unlock();
    ScanDriver::makeOutputDirectory(session);
    lock.lock();
    Slot &slot = m_slots[index];
    slot.dataFile = slot.turn.dataFile;
    slot.passed = true;
    m_gate.notify_all();
    // An earlier server writing the same data file writes it first.
    m_gate.wait(lock, [&] {
        while (m_finished < index && m_slots[m_finished].finished)
            ++m_finished;
        for (std::size_t j = m_finished; j < index; ++j) {
            if (!m_slots[j].finished && m_slots[j].dataFile == slot.dataFile)
                return false;
        }
        return true;
    });
}

void ParallelScan::say(std::size_t index, Said said)
{
    {
        const std::lock_guard lock(m_mutex);
        m_slots[index].said.push_back(std::move(said));
        m_hasNews = true;
    }
    m_news.notify_one();
}
