#pragma once

#include "session/Session.h"

#include <QIcon>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class HeldResults;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class ResultsBox;
class TfrmHelp;
class TfrmLogin;
class TfrmProfile;
class TfrmProgress;
class TfrmSecure;
class TfrmSend;
class TfrmSplash;
class ToolbarButton;

// The main window: a toolbar of six picture buttons, the server list with its selection strip, the
// scan controls, the output directory, the results box and the status bar. It owns the session.
class TfrmMain final : public QWidget
{
    Q_OBJECT

public:
    // The window's size outside, frame included.
    static constexpr int kOuterWidth = 635;
    static constexpr int kOuterHeight = 469;

    // `tidied`: what starting work on the output directory said, for the results box.
    TfrmMain(QxClient &client, Interaction &interaction, TfrmSplash *splash, const HeldResults *tidied = nullptr,
             QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Shows the window. A request to end the program made during set-up takes effect when the
    // message loop takes its turn.
    void start();

    Session &session() { return *m_session; }
    ResultsBox *resultsBox() const { return m_results; }
    QListWidget *serverList() const { return m_comp19; }
    TfrmProgress *progressWindow() const { return m_progress; }
    TfrmProfile *profileWindow() const { return m_profile; }
    TfrmLogin *loginWindow() const { return m_login; }
    TfrmHelp *helpWindow() const { return m_help; }
    TfrmSend *sendWindow() const { return m_send.get(); }
    TfrmSecure *aboutWindow() const { return m_about; }
    // Toolbar buttons in their order: Login As, View Data, Profile, Help, Send, Exit.
    ToolbarButton *toolbarButton(int index) const { return m_toolbar[std::size_t(index)]; }
    QPushButton *scanButton() const { return m_comp23; }
    bool isScanning() const { return m_scanning; }
    QString statusPanel(int index) const;

    // Handlers, named after their controls.
    // comp19: the server list.
    void comp19Click();
    void Button1Click();
    void Button2Click();
    void RefreshServerList1Click();
    // The server list's context menu: "Select servers not scanned", the servers that the last scan
    // of the output directory left without a data file.
    void SelectNotScanned1Click();
    QAction *selectNotScannedAction() const { return m_selectNotScanned; }
    // comp23: "Scan Servers".
    void comp23Click();
    // comp1: the toolbar's "Login As".
    void comp1Click();
    // comp4: the toolbar's "View Data".
    void comp4Click();
    // comp7: the toolbar's "Profile".
    void comp7Click();
    // comp10: the toolbar's "Help" (F1 too).
    void comp10Click();
    // comp13: the toolbar's "Send".
    void comp13Click();
    // comp16: the toolbar's "Exit".
    void comp16Click();
    void StatusBar1DblClick();
    // Flattens the first raised toolbar button whose panel and caption are not `sender`.
    void ResetToolbarHover(const QObject *sender);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Sizes the window to its outside size with the frame it has now, centred on the screen.
    void fitOuterSize();
    void FormCreate(const HeldResults *tidied);
    void FormShow();
    void FormClose();
    void showServerList();
    void updateSelectedCount();
    void syncSelectionFromList();
    // The rows "Select servers not scanned" selects, as the remembered last scan says now.
    std::vector<std::size_t> rowsNotScanned() const;
    // The server list's context menu at the current server, as the Menu key opens it.
    void openServerMenuByKeyboard();
    void endProgram();
    void fillServerList();
    void setScanControlsEnabled(bool enabled);
    // The window's parts, each built with its controls, and the handlers wired to them.
    QWidget *buildToolbar();
    QWidget *buildServerPane();
    QWidget *buildResultsPane();
    QStatusBar *buildStatusBar();
    void wireHandlers();
    ToolbarButton *buttonOwning(const QObject *object) const;

    Interaction &m_interaction;
    TfrmSplash *m_splash;
    ResultsBox *m_results;
    QListWidget *m_comp19;
    QPushButton *m_comp23;
    QCheckBox *m_chkNDir;
    QLineEdit *m_outputDirectory;
    QLabel *m_panel0;
    QLabel *m_panel1;
    QAction *m_refresh = nullptr;
    QAction *m_selectNotScanned = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_button2 = nullptr;
    TfrmProgress *m_progress = nullptr;
    TfrmProfile *m_profile = nullptr;
    TfrmLogin *m_login = nullptr;
    TfrmHelp *m_help = nullptr;
    std::unique_ptr<TfrmSend> m_send;
    TfrmSecure *m_about = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QWidget *m_toolbarStrip = nullptr;
    QWidget *m_upperRight = nullptr;
    std::array<ToolbarButton *, 6> m_toolbar{};
    QIcon m_serverPicture;
    std::unique_ptr<Session> m_session;
    bool m_shown = false;
    bool m_closed = false;
    bool m_scanning = false;
    // Exit was asked for during a scan: the program ends once the scan has.
    bool m_exitAfterScan = false;
};
