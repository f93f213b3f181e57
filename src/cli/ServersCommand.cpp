#include "cli/Commands.h"

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/HeadlessSession.h"
#include "platform/Windows1252.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const Command::Text text{QStringLiteral("servers"), QStringLiteral("[--primary SERVER]"),
                         QStringLiteral("list the servers of the network, one per line"), QStringLiteral(R"(
Prints the name of every file server the workstation can see, one per line,
in the order of the window's server list (sorted by name). An empty list is
said on standard error.

Options:
  --primary SERVER   when the workstation has no primary connection, connect
                     to SERVER
  --json             print one JSON object: every server's name and whether
                     it is the primary connection
  --help             show this text

Exit status:
  0    the list was printed (also when it is empty)
  1    the network could not be used
  2    usage error
)")};

// The name of the server of the primary connection; empty when there is none.
QByteArray primaryServer(Session &session)
{
    qx::FileServerInformation info;
    if (session.primaryConnection() == 0 ||
        session.store(session.client().QXGetFileServerInformation(session.primaryConnection(), info)) != qx::Success)
        return {};
    return qx::bufferText(info.serverName);
}

void printJson(Session &session, Console &console)
{
    const QByteArray primary = primaryServer(session);
    QJsonArray servers;
    for (const Session::ServerEntry &entry : session.servers())
        servers.append(QJsonObject{{QStringLiteral("name"), Windows1252::toUnicode(entry.name)},
                                   {QStringLiteral("primary"), entry.name.compare(primary, Qt::CaseInsensitive) == 0}});
    console.printJson({{QStringLiteral("servers"), servers}});
}

int run(const QCommandLineParser &parser, const CommandContext &context, Console &console)
{
    HeadlessSession headless(console);
    if (const std::optional<int> status = headless.start(context, parser.value(HeadlessSession::primaryOption())))
        return *status;
    Session &session = headless.session();
    if (console.json()) {
        printJson(session, console);
        return CommandLine::Done;
    }
    if (session.servers().empty())
        console.message(QStringLiteral("The network lists no servers (") + session.serverCountText() +
                        QLatin1Char(')'));
    for (const Session::ServerEntry &entry : session.servers())
        console.line(Windows1252::toUnicode(entry.name));
    return CommandLine::Done;
}

} // namespace

const Command serversCommand{text, {HeadlessSession::primaryOption(), Console::jsonOption()}, noArguments, run, {}};
