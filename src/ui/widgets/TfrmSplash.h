#pragma once

#include <QWidget>

class QLabel;

// The splash window that covers start-up until the server list is filled.
class TfrmSplash final : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmSplash(QWidget *parent = nullptr);

    void setStatus(const QString &text);
    QString status() const;
    // Shows the window and returns once it is on screen and painted. Under a window manager a new
    // window is mapped some time after show(); a repaint before then paints nothing.
    void showPainted();
    // Whether the window has painted itself on screen at least once.
    bool painted() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The status line under the artwork; the artwork itself is painted.
    void buildUi();

    QLabel *m_lblLoading;
    bool m_painted = false;
};
