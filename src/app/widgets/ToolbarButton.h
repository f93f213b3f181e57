#pragma once

#include <QFrame>

class QLabel;

// One button of the main window's toolbar: a panel holding a 33 by 33 picture with its caption under
// it. The panel's bevel shows the state: none at rest, raised under the mouse, lowered while pressed.
// The main window drives the bevel; a click on the panel, the picture or the caption is one click,
// and so is Space or Enter while the button has the keyboard focus.
class ToolbarButton final : public QFrame
{
    Q_OBJECT

public:
    enum class Bevel
    {
        None,
        Raised,
        Lowered
    };

    ToolbarButton(const QString &name, const QString &caption, const QString &pictureName, QWidget *parent = nullptr);

    Bevel bevel() const { return m_bevel; }
    void setBevel(Bevel bevel);
    QLabel *picture() const { return m_picture; }
    QLabel *captionLabel() const { return m_caption; }
    // Whether a widget is this button's panel, picture or caption.
    bool owns(const QObject *object) const;

Q_SIGNALS:
    void clicked();

protected:
    // Reached by Tab; Space or Enter clicks. The caption text stays as it is.
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_picture;
    QLabel *m_caption;
    Bevel m_bevel = Bevel::None;
};
