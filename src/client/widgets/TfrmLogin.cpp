#include "client/widgets/TfrmLogin.h"

#include "client/Login.h"
#include "platform/Windows1252.h"
#include "session/Session.h"
#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Artwork.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <optional>

namespace {

const QByteArray kPublicIdentity = QByteArrayLiteral("[Public]");

// The picture above the fields: a key on a band in the colours of the splash window.
QPixmap bannerPicture(const QWidget *shownOn)
{
    QPixmap pixmap = Artwork::pixmap(QStringLiteral("banner"), QSize(360, 64), shownOn);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Artwork::paintBandTitle(p, {QStringLiteral("Quarlix Login"), QRect(96, 6, 260, 32), 24},
                            {QStringLiteral("Bindery server or directory tree"), QRect(98, 36, 260, 20), 12});
    return pixmap;
}

} // namespace

TfrmLogin::TfrmLogin(Session &session, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_edtLoginId(new QLineEdit(this)),
      m_edtPassword(new QLineEdit(this)), m_rbBindery(new QRadioButton(QStringLiteral("Bindery Server"))),
      m_rbQDS(new QRadioButton(QStringLiteral("QDS Tree"))), m_lblServer(new QLabel(QStringLiteral("Server Name:"))),
      m_edtServerName(new QLineEdit), m_lblTree(new QLabel(QStringLiteral("Tree Name:"))), m_edtTreeName(new QLineEdit),
      m_bbtLogin(new QPushButton(QStringLiteral("OK"))), m_bbtCancel(new QPushButton(QStringLiteral("Cancel")))
{
    setObjectName(QStringLiteral("TfrmLogin"));
    AccessibleControl::installWindow("TfrmLogin");
    setWindowTitle(QStringLiteral("Quarlix Login"));
    buildUi();
    wireHandlers();
}

void TfrmLogin::buildUi()
{
    // Built top to bottom: the order the controls join the window is the order Tab walks them.
    auto *banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("imgBanner"));
    banner->setPixmap(bannerPicture(this));
    banner->setAlignment(Qt::AlignCenter);
    QGridLayout *fields = buildFields();

    auto *groups = new QHBoxLayout;
    groups->addWidget(buildLoginTypeGroup());
    groups->addWidget(buildLoginToGroup(), 1);

    m_bbtLogin->setObjectName(QStringLiteral("bbtLogin"));
    m_bbtLogin->setDefault(true);
    m_bbtCancel->setObjectName(QStringLiteral("bbtCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_bbtLogin);
    buttons->addWidget(m_bbtCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(banner);
    layout->addLayout(fields);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

QGridLayout *TfrmLogin::buildFields()
{
    m_edtLoginId->setObjectName(QStringLiteral("edtLoginId"));
    m_edtPassword->setObjectName(QStringLiteral("edtPassword"));
    m_edtPassword->setEchoMode(QLineEdit::Password);
    m_edtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    auto *lblLoginId = new QLabel(QStringLiteral("&Username:"), this);
    lblLoginId->setObjectName(QStringLiteral("lblLoginId"));
    lblLoginId->setBuddy(m_edtLoginId);
    auto *lblPassword = new QLabel(QStringLiteral("&Password"), this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    lblPassword->setBuddy(m_edtPassword);
    auto *fields = new QGridLayout;
    fields->addWidget(lblLoginId, 0, 0);
    fields->addWidget(m_edtLoginId, 0, 1);
    fields->addWidget(lblPassword, 1, 0);
    fields->addWidget(m_edtPassword, 1, 1);
    return fields;
}

QGroupBox *TfrmLogin::buildLoginTypeGroup()
{
    auto *grpLoginType = new QGroupBox(QStringLiteral("Login Type"), this);
    Layouts::setNames({{grpLoginType, "grpLoginType"}, {m_rbBindery, "rbBindery"}, {m_rbQDS, "rbQDS"}});
    m_rbBindery->setChecked(true);
    auto *typeLayout = new QVBoxLayout(grpLoginType);
    typeLayout->addWidget(m_rbBindery);
    typeLayout->addWidget(m_rbQDS);
    return grpLoginType;
}

QGroupBox *TfrmLogin::buildLoginToGroup()
{
    auto *grpLoginTo = new QGroupBox(QStringLiteral("Login To"), this);
    Layouts::setNames({{grpLoginTo, "grpLoginTo"}, {m_lblServer, "lblServer"}, {m_edtServerName, "edtServerName"}});
    Layouts::setNames({{m_lblTree, "lblTree"}, {m_edtTreeName, "edtTreeName"}});
    m_lblServer->setBuddy(m_edtServerName);
    m_lblTree->setBuddy(m_edtTreeName);
    // The tree name counts only for a directory login, which is not the first choice.
    m_lblTree->setEnabled(false);
    m_edtTreeName->setEnabled(false);
    auto *toLayout = new QGridLayout(grpLoginTo);
    toLayout->addWidget(m_lblServer, 0, 0);
    toLayout->addWidget(m_edtServerName, 0, 1);
    toLayout->addWidget(m_lblTree, 1, 0);
    toLayout->addWidget(m_edtTreeName, 1, 1);
    return grpLoginTo;
}

void TfrmLogin::wireHandlers()
{
    // Only "QDS Tree" has a handler: choosing "Bindery Server" changes the login type alone.
    connect(m_rbQDS, &QRadioButton::clicked, this, &TfrmLogin::rbQDSClick);
    connect(m_bbtLogin, &QPushButton::clicked, this, &TfrmLogin::bbtLoginClick);
    connect(m_bbtCancel, &QPushButton::clicked, this, &TfrmLogin::bbtCancelClick);
}

void TfrmLogin::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmLogin::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TfrmLogin::keyPressEvent(QKeyEvent *event)
{
    // Escape is Cancel.
    if (event->key() == Qt::Key_Escape) {
        m_bbtCancel->click();
        return;
    }
    // OK is the default button: Enter in any field logs in; a focused button acts on its own Enter.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_bbtLogin->isEnabled() &&
        !qobject_cast<QAbstractButton *>(focusWidget())) {
        m_bbtLogin->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QByteArray TfrmLogin::treeNameOf(const qx::ConnInfoRecord &info)
{
    return Login::treeNameOf(info);
}

QByteArray TfrmLogin::serverName() const
{
    return Windows1252::fromUnicode(m_edtServerName->text());
}

void TfrmLogin::closeOwnConnection()
{
    if (m_ownsConnection && m_connection != 0)
        m_session.store(m_session.client().QXCCCloseConn(m_connection));
    m_connection = 0;
    m_ownsConnection = false;
}

void TfrmLogin::createContext()
{
    m_hasContext = m_session.storeDs(m_session.client().QXDSCreateContextHandle(m_context)) == qx::DsSuccess;
}

void TfrmLogin::releaseContext()
{
    if (!m_hasContext)
        return;
    m_session.storeDs(m_session.client().QXDSFreeContext(m_context));
    m_hasContext = false;
    m_context = 0;
}

void TfrmLogin::prepareContext()
{
    Login::prepareContext(m_session, m_context);
}

void TfrmLogin::FormShow()
{
    // Centred first, so that a connection that fails below leaves the window centred as well.
    WindowPlacement::centreOnScreen(this);
    if (m_edtServerName->text().isEmpty())
        m_edtServerName->setText(Windows1252::toUnicode(m_session.currentServerName));

    // A context left from an earlier showing that never logged in is not needed any more.
    releaseContext();
    createContext();

    if (!m_session.currentServerName.isEmpty()) {
        closeOwnConnection();
        m_connection = m_session.OpenServerConnection(serverName());
        m_ownsConnection = m_connection != 0;
        if (m_connection == 0) {
            releaseContext();
            return;
        }
    } else {
        closeOwnConnection();
        m_connection = m_session.primaryConnection();
        m_ownsConnection = false;
    }

    rbQDSClick();
    m_edtPassword->clear();
}

void TfrmLogin::rbQDSClick()
{
    BusyCursor busy(m_session.interaction());
    QxClient &client = m_session.client();

    closeOwnConnection();
    m_connection = m_session.OpenServerConnection(serverName());
    m_ownsConnection = m_connection != 0;
    if (m_connection == 0)
        return;

    prepareContext();

    if (m_rbQDS->isChecked()) {
        m_edtTreeName->setText(Windows1252::toUnicode(Login::treeOfConnection(m_session, m_connection)));
        m_lblTree->setEnabled(true);
        m_edtTreeName->setEnabled(true);
        m_lblServer->setEnabled(false);
        m_edtServerName->setEnabled(false);

        qx::DsNameBuffer name;
        if (m_session.storeDs(client.QXDSWhoAmI(m_context, name)) == qx::DsSuccess)
            m_edtLoginId->setText(Windows1252::toUnicode(qx::bufferText(name)));
        qx::DsNameBuffer binderyContext;
        if (m_session.storeDs(client.QXDSGetBinderyContext(m_context, m_connection, binderyContext)) == qx::DsSuccess)
            m_edtLoginId->setText(m_edtLoginId->text() + QLatin1Char('.') +
                                  Windows1252::toUnicode(qx::bufferText(binderyContext)));
    } else {
        m_lblTree->setEnabled(false);
        m_edtTreeName->setEnabled(false);
        m_lblServer->setEnabled(true);
        m_edtServerName->setEnabled(true);

        qx::DsNameBuffer name;
        if (m_session.storeDs(client.QXDSWhoAmI(m_context, name)) == qx::DsSuccess) {
            QByteArray who = qx::bufferText(name);
            if (who == kPublicIdentity)
                who = QByteArrayLiteral("admin");
            m_edtLoginId->setText(Windows1252::toUnicode(who));
        }
    }

    m_session.interaction().processEvents();
}

void TfrmLogin::bbtLoginClick()
{
    Interaction &interaction = m_session.interaction();
    std::optional<BusyCursor> busy(std::in_place, interaction);

    const QByteArray userName = Windows1252::fromUnicode(m_edtLoginId->text());
    const QByteArray treeName = Windows1252::fromUnicode(m_edtTreeName->text());

    closeOwnConnection();
    m_connection = m_session.OpenServerConnection(serverName());
    m_ownsConnection = m_connection != 0;
    if (m_connection == 0) {
        busy.reset();
        interaction.warning(Login::connectFailure());
        return;
    }

    // The context of this showing is gone after an earlier OK click (or a failed open at the
    // showing): this attempt gets a new one, prepared as the showing prepares its own.
    if (!m_hasContext) {
        createContext();
        if (m_hasContext)
            prepareContext();
    }

    const bool tree = m_rbQDS->isChecked();
    const Login::Attempt attempt =
        tree ? Login::treeAttempt(m_session, m_context, treeName, userName, m_edtPassword->text())
             : Login::binderyAttempt(m_session, m_connection, userName, m_edtPassword->text());
    busy.reset();
    if (!attempt.loggedIn) {
        interaction.warning(attempt.text);
    } else if (tree) {
        interaction.information(attempt.text);
        close();
    } else {
        // A bindery login closes the window before it says so.
        close();
        interaction.information(attempt.text);
    }
    // A context refused its settings stays for the next attempt, as it was.
    if (attempt.loginCalled)
        releaseContext();
}

void TfrmLogin::bbtCancelClick()
{
    close();
}

void TfrmLogin::FormClose()
{
    m_edtServerName->clear();
    closeOwnConnection();
    // Nothing logs in through a context between showings; each showing creates its own.
    releaseContext();
}
