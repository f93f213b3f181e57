#pragma once

#include "app/Session.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class ResultsBox;
class TfrmProfile;
class TfrmProgress;
class TfrmSplash;

// The main window: server list with its selection strip, the scan controls, the output directory,
// the results box and the status bar. It owns the session.
class TfrmMain final : public QWidget
{
    Q_OBJECT

public:
    TfrmMain(QxClient &client, Interaction &interaction, TfrmSplash *splash, QWidget *parent = nullptr);
    ~TfrmMain() override;

    Session &session() { return *m_session; }
    ResultsBox *resultsBox() const { return m_results; }
    QListWidget *serverList() const { return m_comp19; }
    TfrmProgress *progressWindow() const { return m_progress; }
    TfrmProfile *profileWindow() const { return m_profile; }
    bool isScanning() const { return m_scanning; }
    QString statusPanel(int index) const;

    // Handlers, named after their controls.
    void comp19Click();
    void Button1Click();
    void Button2Click();
    void RefreshServerList1Click();
    void comp23Click();
    void comp7Click();
    void comp16Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void showServerList();
    void updateSelectedCount();
    void syncSelectionFromList();
    void endProgram();

    Interaction &m_interaction;
    TfrmSplash *m_splash;
    ResultsBox *m_results;
    QListWidget *m_comp19;
    QPushButton *m_comp23;
    QCheckBox *m_chkNDir;
    QLineEdit *m_outputDirectory;
    QLabel *m_panel0;
    QLabel *m_panel1;
    TfrmProgress *m_progress = nullptr;
    TfrmProfile *m_profile = nullptr;
    std::unique_ptr<Session> m_session;
    bool m_shown = false;
    bool m_closed = false;
    bool m_scanning = false;
};
