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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_lblLoading;
};
