#pragma once

#include "session/QxClient.h"

#include <QByteArray>
#include <QString>

class Session;

// What the login window and the headless login share: the login calls and their refusal texts.
// The login itself is held by the workstation's client, so connections opened afterwards by name
// act as the user who logged in.
namespace Login {

// The warning for a refused bindery login (QXLoginToFileServer) or tree login (QXDSLogin).
QString binderyRefusal(qx::Code code);
QString treeRefusal(qx::DsStatus status);

// The tree name of a level-1 connection record: from its tree-name text up to the underscore
// padding or the first NUL.
QByteArray treeNameOf(const qx::ConnInfoRecord &info);

// Flags with value 4 added and an empty tree name, as every login through the context expects.
void prepareContext(Session &session, qx::Context context);

// The password as the client expects it: upper case.
QByteArray passwordBytes(const QString &typed);

// A bindery login of userName on the connection; returns the stored completion code.
qx::Code bindery(Session &session, qx::Handle conn, const QByteArray &userName, const QString &password);

// A tree login through the context; on a refused set-context step, *setContextFailure holds its
// warning and the login call is not made. Returns the stored status.
qx::DsStatus tree(Session &session, qx::Context context, const QByteArray &treeName, const QByteArray &userName,
                  const QString &password, QString *setContextFailure);

// What a login attempt came to, as the one box the user sees: the Information on success, the
// Warning otherwise. The login window and `--login` show it; the steps and texts are here.
struct Attempt
{
    bool loggedIn = false;
    QString text;
    bool loginCalled = true; // false when a tree login stopped at setting up its context
};

// The warning when the server to log in through cannot be reached.
QString connectFailure();

// The tree the connection belongs to (its level-1 record), as the login window proposes it; empty
// when it cannot be read.
QByteArray treeOfConnection(Session &session, qx::Handle conn);

// A bindery login of userName on the connection.
Attempt binderyAttempt(Session &session, qx::Handle conn, const QByteArray &userName, const QString &password);
// A tree login through the context, already prepared (prepareContext).
Attempt treeAttempt(Session &session, qx::Context context, const QByteArray &treeName, const QByteArray &userName,
                    const QString &password);

} // namespace Login
