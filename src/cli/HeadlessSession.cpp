#include "cli/HeadlessSession.h"

#include "cli/Command.h"
#include "cli/Console.h"
#include "client/Login.h"
#include "platform/TerminalNotice.h"
#include "platform/Windows1252.h"
#include "simnet/NetworkSource.h"

HeadlessSession::HeadlessSession(Console &console) : m_console(console) {}

HeadlessSession::~HeadlessSession()
{
    if (m_session)
        m_session->release();
    m_console.interaction().answer = nullptr;
    m_console.interaction().input = nullptr;
}

const QCommandLineOption &HeadlessSession::primaryOption()
{
    static const QCommandLineOption option(
        QStringLiteral("primary"),
        QStringLiteral("when the workstation has no primary connection, connect to SERVER (the start-up question "
                       "answered Yes, SERVER entered)"),
        QStringLiteral("SERVER"));
    return option;
}

std::optional<int> HeadlessSession::start(const CommandContext &context, const QString &primaryServer)
{
    QString error;
    TerminalNotice notice(m_console.err(), m_console.errOnTerminal());
    m_client = NetworkSource::open(context.network, &error, NetworkSource::Pace::Headless,
                                   [&notice](const QString &text) { notice.show(text); });
    notice.remove();
    if (!m_client) {
        m_console.error(error);
        return 1;
    }
    HeadlessInteraction &interaction = m_console.interaction();
    m_session = std::make_unique<Session>(*m_client, interaction, m_console.results());

    // The question comes again when the named server cannot be opened; then the answer is No.
    bool asked = false;
    bool answered = false;
    interaction.answer = [&](const QString &caption, const QString &) -> std::optional<Interaction::Answer> {
        if (caption != QLatin1String("Confirm"))
            return std::nullopt;
        asked = true;
        if (primaryServer.isEmpty() || answered)
            return Interaction::Answer::No;
        answered = true;
        return Interaction::Answer::Yes;
    };
    interaction.input = [&](const QString &caption, const QString &) -> std::optional<QString> {
        if (caption != QLatin1String("Server Name") || primaryServer.isEmpty())
            return std::nullopt;
        m_console.message(QStringLiteral("connecting to %1 (--primary)").arg(primaryServer));
        return primaryServer;
    };
    m_session->setUp();
    interaction.answer = nullptr;
    interaction.input = nullptr;
    if (m_session->terminateRequested()) {
        if (asked && primaryServer.isEmpty())
            m_console.error(QStringLiteral("the workstation has no primary connection; name a server to connect "
                                           "to with --primary SERVER"));
        else if (asked)
            m_console.error(QStringLiteral("could not connect to ") + primaryServer);
        return 1;
    }
    m_session->checkClientVersions();
    m_session->FillServerList();
    m_session->readCallsLibraryVersion();
    return std::nullopt;
}

bool HeadlessSession::login(const LoginRequest &request)
{
    return request.binderyServer.isEmpty() ? treeLogin(request) : binderyLogin(request);
}

bool HeadlessSession::binderyLogin(const LoginRequest &request)
{
    Session &session = *m_session;
    Interaction &interaction = session.interaction();
    QxClient &client = session.client();
    const qx::Handle conn = session.OpenServerConnection(Windows1252::fromUnicode(request.binderyServer));
    if (conn == 0) {
        interaction.warning(Login::connectFailure());
        return false;
    }
    qx::Context context = 0;
    const bool hasContext = session.storeDs(client.QXDSCreateContextHandle(context)) == qx::DsSuccess;
    if (hasContext)
        Login::prepareContext(session, context);
    const Login::Attempt attempt =
        Login::binderyAttempt(session, conn, Windows1252::fromUnicode(request.user), request.password);
    if (hasContext)
        session.storeDs(client.QXDSFreeContext(context));
    // The login is held by the workstation's client; this connection only made it.
    session.store(client.QXCCCloseConn(conn));
    return show(attempt);
}

bool HeadlessSession::treeLogin(const LoginRequest &request)
{
    Session &session = *m_session;
    QxClient &client = session.client();
    // The tree is the one the primary connection belongs to, as the login window proposes it.
    const QByteArray tree = Login::treeOfConnection(session, session.primaryConnection());
    qx::Context context = 0;
    if (const qx::DsStatus created = session.storeDs(client.QXDSCreateContextHandle(context));
        created != qx::DsSuccess) {
        session.interaction().warning(QStringLiteral("QXDSCreateContextHandle Failed\nError Code: %1").arg(created));
        return false;
    }
    Login::prepareContext(session, context);
    const Login::Attempt attempt =
        Login::treeAttempt(session, context, tree, Windows1252::fromUnicode(request.user), request.password);
    session.storeDs(client.QXDSFreeContext(context));
    return show(attempt);
}

bool HeadlessSession::show(const Login::Attempt &attempt)
{
    if (attempt.loggedIn)
        m_session->interaction().information(attempt.text);
    else
        m_session->interaction().warning(attempt.text);
    return attempt.loggedIn;
}
