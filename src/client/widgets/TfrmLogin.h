#pragma once

#include "session/QxClient.h"

#include <QWidget>

class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Session;

// The login window: a bindery login to one server or a login to the directory tree, held by the
// workstation's client, so that connections opened afterwards by name act as that user. It is not
// modal: create it once with the session and show() it; every showing proposes the current server
// and the identity already logged in.
class TfrmLogin final : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmLogin(Session &session, QWidget *parent = nullptr);

    // Handlers, named after their controls.
    void FormShow();
    void rbQDSClick();
    void bbtLoginClick();
    void bbtCancelClick();
    void FormClose();

    // The tree name of a level-1 connection record: from its tree-name text up to the underscore
    // padding or the first NUL.
    static QByteArray treeNameOf(const qx::ConnInfoRecord &info);

    // What the window holds, for the main window and tests.
    qx::Handle connection() const { return m_connection; }
    bool ownsConnection() const { return m_ownsConnection; }
    bool hasContext() const { return m_hasContext; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The window's parts, each built with its controls, and the handlers wired to them.
    void buildUi();
    QGridLayout *buildFields();
    QGroupBox *buildLoginTypeGroup();
    QGroupBox *buildLoginToGroup();
    void wireHandlers();

    void closeOwnConnection();
    void createContext();
    void releaseContext();
    // Flags with value 4 added and an empty tree name, as every login through this context expects.
    void prepareContext();
    QByteArray serverName() const;

    Session &m_session;
    QLineEdit *m_edtLoginId;
    QLineEdit *m_edtPassword;
    QRadioButton *m_rbBindery;
    QRadioButton *m_rbQDS;
    QLabel *m_lblServer;
    QLineEdit *m_edtServerName;
    QLabel *m_lblTree;
    QLineEdit *m_edtTreeName;
    QPushButton *m_bbtLogin;
    QPushButton *m_bbtCancel;

    // The primary connection may be held here too, but it belongs to the session and is never closed here.
    qx::Handle m_connection = 0;
    bool m_ownsConnection = false;
    qx::Context m_context = 0;
    bool m_hasContext = false;
};
