#pragma once

#include "client/Login.h"
#include "session/QxClient.h"
#include "session/Session.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QString>

#include <memory>
#include <optional>

class Console;
struct CommandContext;

// The client session of a headless command: the network, the start-up (with --primary as the
// answer to the question for a server when the workstation has no primary connection), the server
// list, and a login before the work. Released when it goes.
class HeadlessSession final
{
public:
    explicit HeadlessSession(Console &console);
    ~HeadlessSession();
    Q_DISABLE_COPY_MOVE(HeadlessSession)

    static const QCommandLineOption &primaryOption();

    // Opens the network, sets the session up and fills the server list. Nothing when the session
    // is ready, else the exit status (the reason has been printed).
    std::optional<int> start(const CommandContext &context, const QString &primaryServer);

    struct LoginRequest
    {
        QString user;
        QString password;
        // Empty: a login to the directory tree; else a bindery login to this server.
        QString binderyServer;
    };
    // Logs in the way the login window does, with its messages; false when refused.
    bool login(const LoginRequest &request);

    Session &session() { return *m_session; }

private:
    bool binderyLogin(const LoginRequest &request);
    bool treeLogin(const LoginRequest &request);
    // The attempt's box; whether the login went through.
    bool show(const Login::Attempt &attempt);

    Console &m_console;
    std::unique_ptr<QxClient> m_client;
    std::unique_ptr<Session> m_session;
};
