#include "client/Login.h"

#include "platform/Windows1252.h"
#include "session/Session.h"

#include <optional>
#include <utility>

namespace {

constexpr quint32 ContextFlagToAdd = 4;
constexpr qx::Code InvalidPassword = 0x89FF; // the same code ends a directory search

// The text a table gives a code, if it lists it.
template <typename Code, std::size_t N>
std::optional<QString> lookUp(const std::pair<Code, const char *> (&texts)[N], Code code)
{
    for (const auto &[known, text] : texts)
        if (known == code)
            return QString::fromLatin1(text);
    return std::nullopt;
}

} // namespace

namespace Login {

QString binderyRefusal(qx::Code code)
{
    static const std::pair<qx::Code, const char *> texts[] = {
        {qx::IntruderLockout, "QXLoginToFileServer Returned: Intruder Lockout"},
        {InvalidPassword, "QXLoginToFileServer Returned: Invalid Password, try again!"},
        {qx::PasswordExpired, "QXLoginToFileServer Returned: Password Expired!"},
        {qx::AlreadyAuthenticated, "QXLoginToFileServer Returned: Already Athenticated!"},
        {qx::NoSuchObject, "QXLoginToFileServer Returned: Unknown Bindery Object\n"
                           "If this is a 4.x server, make sure your login id is in its bindery context"},
    };
    return lookUp(texts, code).value_or(QString::asprintf("QXLoginToFileServer Returned: %04X", code));
}

QString treeRefusal(qx::DsStatus status)
{
    static const char *const notFound = "QXDSLogin Returned:\nThe Object ID you entered could not be found\n"
                                        "You may need to login using your fully distinguished name\nie Admin.ACME";
    static const std::pair<qx::DsStatus, const char *> texts[] = {
        {qx::DsBadPassword, "QXDSLogin Returned: Bad Password"},
        {qx::DsStatus(0x8890), "QXDSLogin Returned: A different object is already authenticated"},
        {qx::DsStatus(0x889A), notFound},
        {qx::DsNoSuchEntry, notFound},
        {qx::DsBadContext, "QXDSLogin Returned: -303 Bad Context"},
        {qx::DsStatus(0x886F), "QXDSLogin Returned: Tree Object Not Found"},
    };
    return lookUp(texts, status).value_or(QStringLiteral("QXDSLogin Returned: %1").arg(status));
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
