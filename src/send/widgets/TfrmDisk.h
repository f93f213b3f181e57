#pragma once

#include "send/SendContext.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QListWidget;
class QPushButton;

// The floppy window: "Create Disk" erases the disk in drive A:, builds the session archive, copies
// every session archive onto the disk, each one verified, and closes the main window. Drive A: is
// the directory SORVIK_DRIVE_A names, else the removable medium the user picks in the window's list
// of mounted media. The window ends accepted when the main window was closed, rejected by "Return",
// by Cancel at the warning, by a missing drive, a failed archive, or a disk that got no archive.
class TfrmDisk final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmDisk(SendContext context, QWidget *parent = nullptr);

    // "Create Disk".
    void Button1Click();
    // "Return".
    void Button2Click();

    // Lists the mounted removable media again; the window does so every two seconds while shown.
    void refreshMedia();
    QListWidget *mediaList() const { return m_lstMedia; }
    // The text the list shows in a row: the mount point shortened in its middle where the whole
    // entry does not fit the list's width.
    QString shownText(int row) const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The window's controls and the handlers wired to them.
    void buildUi();
    void wireHandlers();
    // The host directory the disk is made in: the mapped drive, else the picked medium.
    QString chosenDrive() const;

    SendContext m_context;
    QPushButton *m_Button1;
    QPushButton *m_Button2;
    QLabel *m_lblDrive;
    QListWidget *m_lstMedia;
    QTimer m_poll;
};
