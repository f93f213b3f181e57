#pragma once

#include <QDialog>

class QTimer;

// The About window: the product's picture and line, a small animation and OK.
class TfrmSecure final : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSecure(QWidget *parent = nullptr);

    void BitBtn1Click();
    int animationFrame() const { return m_frame; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_animation;
    int m_frame = 1;
};
