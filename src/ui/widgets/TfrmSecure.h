#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
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
    // The window's controls, placed where the picture leaves room, and the handlers wired to them.
    void buildUi();
    void wireHandlers();

    QPushButton *m_BitBtn1 = nullptr;
    QTimer *m_animation;
    int m_frame = 1;
};
