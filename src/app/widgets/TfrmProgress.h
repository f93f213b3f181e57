#pragma once

#include "platform/ProgressView.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class Session;

// The scan progress window: an animation, the server being worked on, the per-server bar, the
// overall bar and Abort, which sets the session's abort flag.
class TfrmProgress final : public QDialog, public ProgressView
{
    Q_OBJECT

public:
    explicit TfrmProgress(Session &session, QWidget *parent = nullptr);

    void showProgress() override;
    void hideProgress() override;
    void setServerLabel(const QString &text) override;
    void setServerProgress(int percent) override;
    void setTotalProgress(int percent) override;

    void bbtAbortClick();
    int animationFrame() const { return m_frame; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The window's controls under the picture, and the handlers wired to them.
    void buildUi();
    void wireHandlers();

    void FormShow();
    void FormClose();

    Session &m_session;
    QLabel *m_lblServer;
    QProgressBar *m_pbProgress;
    QLabel *m_lblProgress;
    QProgressBar *m_pbTotal;
    QLabel *m_lblTotal;
    QPushButton *m_bbtAbort;
    QTimer *m_animation;
    int m_frame = 1;
};
