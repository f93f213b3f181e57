#include "client/Login.h"

#include "app/session/Session.h"
#include "platform/Windows1252.h"

#include <utility>

namespace {

constexpr quint32 ContextFlagToAdd = 4;
constexpr qx::Code InvalidPassword = 0x89FF; // the same code ends a directory search

} // namespace

namespace Login {

QString binderyRefusal(qx::Code code)
{
    switch (code) {
    case qx::IntruderLockout:
        return QStringLiteral("QXLoginToFileServer Returned: Intruder Lockout");
    case InvalidPassword:
        return QStringLiteral("QXLoginToFileServer Returned: Invalid Password, try again!");
    case qx::PasswordExpired:
        return QStringLiteral("QXLoginToFileServer Returned: Password Expired!");
    case qx::AlreadyAuthenticated:
        return QStringLiteral("QXLoginToFileServer Returned: Already Athenticated!");
    case qx::NoSuchObject:
        return QStringLiteral("QXLoginToFileServer Returned: Unknown Bindery Object\n"
                              "If this is a 4.x server, make sure your login id is in its bindery context");
    default:
        return QString::asprintf("QXLoginToFileServer Returned: %04X", code);
    }
}

QString treeRefusal(qx::DsStatus status)
{
    switch (status) {
    case qx::DsBadPassword:
        return QStringLiteral("QXDSLogin Returned: Bad Password");
    case qx::DsStatus(0x8890):
        return QStringLiteral("QXDSLogin Returned: A different object is already authenticated");
    case qx::DsStatus(0x889A):
    case qx::DsNoSuchEntry:
        return QStringLiteral("QXDSLogin Returned:\nThe Object ID you entered could not be found\n"
                              "You may need to login using your fully distinguished name\nie Admin.ACME");
    case qx::DsBadContext:
        return QStringLiteral("QXDSLogin Returned: -303 Bad Context");
    case qx::DsStatus(0x886F):
        return QStringLiteral("QXDSLogin Returned: Tree Object Not Found");
    default:
        return QStringLiteral("QXDSLogin Returned: %1").arg(status);
    }
}

QByteArray treeNameOf(const qx::ConnInfoRecord &info)
{
    QByteArray name;
    for (std::size_t i = qx::ConnInfoTreeNameAt; i < info.size; ++i) {
        const char c = char(info.u8(i));
        if (c == '\0' || (c == '_' && info.u8(i + 1) == '_'))
            break;
        name.append(c);
    }
    return name;
}

void prepareContext(Session &session, qx::Context context)
{
    QxClient &client = session.client();
    quint32 flags = 0;
    if (session.storeDs(client.QXDSGetContext(context, qx::ContextFlags, flags)) != qx::DsSuccess)
        return;
    // The flag is set, not summed, so that preparing the context again keeps the same flags.
    session.storeDs(client.QXDSSetContext(context, qx::ContextFlags, flags | ContextFlagToAdd));
    session.storeDs(client.QXDSSetContext(context, qx::ContextTreeName, QByteArray()));
}

QByteArray passwordBytes(const QString &typed)
{
    return Windows1252::fromUnicode(typed.toUpper());
}

qx::Code bindery(Session &session, qx::Handle conn, const QByteArray &userName, const QString &password)
{
    return session.store(
        session.client().QXLoginToFileServer(conn, userName, qx::ObjectTypeUser, passwordBytes(password)));
}

qx::DsStatus tree(Session &session, qx::Context context, const QByteArray &treeName, const QByteArray &userName,
                  const QString &password, QString *setContextFailure)
{
    QxClient &client = session.client();
    for (const auto &[key, text] :
         {std::pair{qx::ContextTreeName, treeName}, std::pair{qx::ContextNameContext, QByteArrayLiteral("[Root]")}}) {
        const qx::DsStatus status = session.storeDs(client.QXDSSetContext(context, key, text));
        if (status < 0) {
            if (setContextFailure)
                *setContextFailure = QStringLiteral("QXDSSetContext Failed\nError Code: %1").arg(status);
            return status;
        }
    }
    return session.storeDs(client.QXDSLogin(context, 0, userName, passwordBytes(password), 0));
}

QString connectFailure()
{
    return QStringLiteral("Could not connect to server to login!");
}

QByteArray treeOfConnection(Session &session, qx::Handle conn)
{
    qx::ConnInfoRecord info;
    if (conn != 0 && session.store(session.client().QXCCGetAllConnInfo(conn, 1, info)) == qx::Success)
        return treeNameOf(info);
    return {};
}

Attempt binderyAttempt(Session &session, qx::Handle conn, const QByteArray &userName, const QString &password)
{
    const qx::Code code = bindery(session, conn, userName, password);
    if (code != qx::Success)
        return {false, binderyRefusal(code)};
    return {true, QStringLiteral("Bindery Login Successful!")};
}

Attempt treeAttempt(Session &session, qx::Context context, const QByteArray &treeName, const QByteArray &userName,
                    const QString &password)
{
    QString setContextFailure;
    const qx::DsStatus status = tree(session, context, treeName, userName, password, &setContextFailure);
    if (!setContextFailure.isEmpty())
        return {false, setContextFailure, false};
    if (status != qx::DsSuccess)
        return {false, treeRefusal(status)};
    return {true, QStringLiteral("DS Login Successful!")};
}

} // namespace Login
