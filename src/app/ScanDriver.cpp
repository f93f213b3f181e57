#include "app/ScanDriver.h"
#include "app/ParallelScan.h"
#include "session/Product.h"

#include "platform/Drives.h"
#include "platform/ProgressView.h"
#include "platform/Windows1252.h"
#include "profile/ProfileStore.h"
#include "report/TfrmReport.h"
#include "send/OutputDirectory.h"
#include "session/Session.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kComplete =
    QStringLiteral("Server Scan is complete. Please press the \"Send\" button to send your data to "
                   "Orvane when you have completed scanning all desired servers.");

} // namespace

ScanDriver::ScanDriver(Session &session, ProgressView &progress) : m_session(session), m_progress(progress) {}

QByteArray ScanDriver::safeFileName(const QByteArray &serverName)
{
    QByteArray name = serverName;
    for (char &c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || QByteArrayView("\\/:*?\"<>|").contains(c))
            c = '_';
    }
    if (!name.isEmpty() && name.count('.') == name.size())
        name.fill('_');
    return name;
}

QByteArray ScanDriver::ServerAddressId()
{
    return addressId(m_session);
}

QByteArray ScanDriver::addressId(Session &session)
{
    QxClient &client = session.client();
    const qx::Handle conn = session.OpenServerConnection(session.currentServerName);
    if (conn == 0)
        return {};
    QByteArray id;
    quint32 length = 0;
    if (session.store(client.QXCCGetConnAddressLength(conn, length)) == qx::Success &&
        length <= quint32(qx::AddressBufferSize)) {
        std::array<quint8, qx::AddressBufferSize> buffer{};
        qx::TransportAddress address;
        address.buffer = buffer.data();
        if (session.store(client.QXCCGetConnAddress(conn, length, address)) == qx::Success) {
            if (address.type == qx::AddressTypeIpx) {
                for (int i = 0; i < 4; ++i)
                    id += QByteArray::number(buffer[i], 16).toUpper().rightJustified(2, '0');
            } else if (address.type == qx::AddressTypeIp) {
                for (int i = 2; i < 6; ++i)
                    id += QByteArray::number(buffer[i]);
            }
        }
    }
    if (id.size() > 8)
        id = id.right(8);
    session.store(client.QXCCCloseConn(conn));
    return id;
}

std::optional<QString> ScanDriver::refusal() const
{
    if (m_session.selectedCount() == 0)
        return QStringLiteral("You must select at least one server.");
    QString profileError;
    const std::optional<QString> company = ProfileStore::read(QStringLiteral("Company"), &profileError);
    // A store that cannot be read is not an incomplete profile: say what is wrong with it.
    if (!company)
        return profileError;
    if (company->isEmpty())
        return QStringLiteral("Profile Information is not complete\nPlease fill out your profile and retry!");
    return std::nullopt;
}

ScanDriver::Result ScanDriver::run()
{
    Interaction &interaction = m_session.interaction();
    if (const std::optional<QString> refused = refusal()) {
        if (m_session.selectedCount() == 0)
            interaction.message(QStringLiteral("Error"), *refused, Interaction::Icon::Error, Interaction::Buttons::Ok);
        else
            interaction.warning(*refused);
        return Result::Refused;
    }

    if (setControlsEnabled)
        setControlsEnabled(false);
    m_progress.showProgress();
    // The scan works on the selection it started with.
    std::vector<bool> selected;
    std::vector<QByteArray> names;
    for (const Session::ServerEntry &entry : m_session.servers()) {
        selected.push_back(entry.selected);
        if (entry.selected)
            names.push_back(entry.name);
    }
    m_record.emplace(names);
    m_serversDone = 0;
    m_serversToScan = int(names.size());
    m_notSaved = 0;
    m_unwritten = 0;
    m_notSavedServers.clear();
    m_savedAs.clear();
    m_step = 100 / m_session.selectedCount();
    m_total = 0;
    m_session.results().clear();
    m_progress.setTotalProgress(0);
    m_progress.setServersDone(0, m_serversToScan, {});

    if (m_jobs > 1) {
        ParallelScan(*this, names).run();
        return finish();
    }
    TfrmReport writer(m_session, m_progress);
    for (std::size_t index = 0; index < selected.size() && index < m_session.servers().size(); ++index) {
        if (m_session.abortFlag)
            break;
        interaction.processEvents();
        if (selected[index])
            scanServer(m_session.servers()[index].name, writer);
    }
    return finish();
}

void ScanDriver::scanServer(const QByteArray &server, TfrmReport &writer)
{
    Interaction &interaction = m_session.interaction();
    const QString shownServer = Windows1252::toUnicode(server);
    m_progress.setServersDone(m_serversDone, m_serversToScan, {shownServer});
    m_progress.setServerLabel(QStringLiteral("Contacting ") + shownServer);
    interaction.processEvents();

    Turn turn;
    if (const std::optional<QByteArray> dataFile = contact(m_session, server)) {
        turn.reached = true;
        turn.dataFile = *dataFile;
        makeOutputDirectory(m_session);
        const TfrmReport::Outcome outcome = writer.btnRunClick();
        turn.saved = outcome.saved;
        turn.error = outcome.error;
        turn.aborted = m_session.abortFlag;
    }
    account(server, turn);
    m_progress.setServersDone(++m_serversDone, m_serversToScan, {});
}

std::optional<QByteArray> ScanDriver::contact(Session &session, const QByteArray &server)
{
    const QString shownServer = Windows1252::toUnicode(server);
    const qx::Handle conn = session.OpenServerConnection(server);
    if (conn == 0) {
        session.logLine(shownServer + QStringLiteral(" Could not attach"));
        return std::nullopt;
    }
    session.store(session.client().QXCCCloseConn(conn));
    session.currentServerName = server;
    session.logLine(shownServer + QStringLiteral(" Results"), ResultsSink::Color::Blue);

    const QByteArray id = addressId(session);
    session.currentDataFileName = (id.isEmpty() ? safeFileName(server) : id) + OutputDirectory::dataFileSuffix.latin1();
    return session.currentDataFileName;
}

void ScanDriver::makeOutputDirectory(Session &session)
{
    const QString outputDirectory = Product::outputDirectory();
    const QString hostDirectory = Drives::hostPath(outputDirectory);
    if (!QFileInfo::exists(hostDirectory)) {
        session.logLine(outputDirectory + QStringLiteral(" did not exist, it will be created"));
        QDir().mkpath(hostDirectory);
    }
}

void ScanDriver::account(const QByteArray &server, const Turn &turn)
{
    const QString shownServer = Windows1252::toUnicode(server);
    if (!turn.reached) {
        ++m_notSaved;
        m_notSavedServers.push_back(server);
        told(server, ServerOutcome::Unreachable);
        return;
    }
    if (!turn.saved) {
        // Nothing was saved for this server: say why instead of claiming it was.
        m_session.LogError(QStringLiteral("Report for %1 not saved. %2\n").arg(shownServer, turn.error));
        ++m_notSaved;
        ++m_unwritten;
        m_notSavedServers.push_back(server);
    }
    if (turn.aborted || !turn.saved) {
        told(server, turn.saved ? ServerOutcome::Aborted : ServerOutcome::NotWritten,
             turn.saved ? turn.dataFile : QByteArray());
        return;
    }
    const QString fileName = Windows1252::toUnicode(turn.dataFile);
    m_session.logLine(QStringLiteral("Saving report for ") + shownServer + QStringLiteral(" as ") + fileName +
                      QLatin1Char('\n'));
    noteSharedFileName(server, turn.dataFile);
    told(server, ServerOutcome::Saved, turn.dataFile);
    m_total += m_step;
    m_progress.setTotalProgress(m_total);
    m_session.interaction().processEvents();
}

void ScanDriver::told(const QByteArray &server, ServerOutcome outcome, const QByteArray &dataFile)
{
    static_assert(int(ServerOutcome::Saved) == int(LastScan::Outcome::Saved) &&
                  int(ServerOutcome::Unreachable) == int(LastScan::Outcome::Unreachable) &&
                  int(ServerOutcome::NotWritten) == int(LastScan::Outcome::NotWritten) &&
                  int(ServerOutcome::Aborted) == int(LastScan::Outcome::Aborted));
    m_record->serverDone(server, LastScan::Outcome(int(outcome)));
    if (serverDone)
        serverDone(server, outcome, dataFile);
}

void ScanDriver::rememberScan()
{
    QString error;
    if (!m_record->save(OutputDirectory::hostPath(), &error))
        m_session.logLine(QStringLiteral("This scan's outcome could not be kept for a rescan: ") + error,
                          ResultsSink::Color::Red);
    m_record.reset();
}

void ScanDriver::noteSharedFileName(const QByteArray &server, const QByteArray &fileName)
{
    // The naming rule can give two servers one file; the file keeps the later one, and says so.
    if (const auto earlier = m_savedAs.find(fileName); earlier != m_savedAs.end() && earlier->second != server)
        m_session.logLine(QStringLiteral("%1 and %2 give the same data file %3; it now holds %2's data")
                              .arg(Windows1252::toUnicode(earlier->second), Windows1252::toUnicode(server),
                                   Windows1252::toUnicode(fileName)),
                          ResultsSink::Color::Red);
    m_savedAs[fileName] = server;
}

ScanDriver::Result ScanDriver::finish()
{
    Interaction &interaction = m_session.interaction();
    rememberScan();
    m_progress.hideProgress();
    if (setControlsEnabled)
        setControlsEnabled(true);

    if (m_session.abortFlag) {
        m_session.abortFlag = false;
        interaction.information(QStringLiteral("User Aborted Operation"));
        m_session.logLine(QStringLiteral("User Aborted Operation"));
        return Result::Aborted;
    }
    interaction.information(kComplete);
    return Result::Completed;
}
