#include "send/widgets/TURLLabel.h"

#include "platform/Desktop.h"
#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Contrast.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtDebug>

TURLLabel::TURLLabel(QWidget *parent) : TURLLabel(QString(), parent) {}

TURLLabel::TURLLabel(const QString &caption, QWidget *parent)
    : QLabel(caption, parent),
      m_opener([](const QString &target) { Desktop::current().openUrl(UrlTarget::desktopUrl(target)); })
{
    // A user without a mouse reaches the link with Tab and follows it with Enter or Space; a screen
    // reader announces it as a link.
    setFocusPolicy(Qt::TabFocus);
    AccessibleControl::install("TURLLabel", QAccessible::Link,
                               [](QWidget *label) { static_cast<TURLLabel *>(label)->clickFromEvent(); });
    // The hand of the desktop's own cursor theme stands for the hand-point cursor.
    setCursor(Qt::PointingHandCursor);
    setFontColour(m_colStd);
    setUnderline(true);
}

void TURLLabel::setLabelType(TLabelType type)
{
    m_labelType = type;
    setUnderline(type != TLabelType::hmCUSTOM && !m_effect98);
    update();
}

void TURLLabel::setURLColStd(const QColor &colour)
{
    m_colStd = colour;
    setFontColour(colour);
    update();
}

void TURLLabel::setURLColPre(const QColor &colour)
{
    m_colPre = colour;
    update();
}

void TURLLabel::setAllowDown(bool allow)
{
    m_allowDown = allow;
    update();
}

void TURLLabel::setEffect98(bool on)
{
    m_effect98 = on;
    setUnderline(!on && m_labelType != TLabelType::hmCUSTOM);
    update();
}

void TURLLabel::Click()
{
    m_skipOpen = false;
    if (m_onClick)
        m_onClick();
    if (m_labelType == TLabelType::hmCUSTOM || m_skipOpen)
        return;
    // The shell's result is not looked at: by now the program is closing.
    if (m_opener)
        m_opener(target());
}

QColor TURLLabel::fontColour() const
{
    return palette().color(QPalette::WindowText);
}

void TURLLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    if (!m_effect98)
        return;
    setFontColour(m_colPre);
    setUnderline(m_labelType != TLabelType::hmCUSTOM);
    update();
}

void TURLLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (!m_effect98)
        return;
    setFontColour(m_colStd);
    // An hmCUSTOM label keeps the underline it has.
    if (m_labelType != TLabelType::hmCUSTOM)
        setUnderline(false);
    update();
}

void TURLLabel::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    if (m_allowDown)
        move(x(), y() + 1);
    setFontColour(m_colPre);
}

void TURLLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (!m_effect98)
        setFontColour(m_colStd);
    if (event->button() != Qt::LeftButton)
        return;
    if (m_allowDown && m_pressed)
        move(x(), y() - 1);
    const bool clicked = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (clicked)
        clickFromEvent();
}

void TURLLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        clickFromEvent();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void TURLLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // A dotted frame in the text's colour, whatever the style draws for focus.
    QPainter painter(this);
    painter.setPen(QPen(fontColour(), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TURLLabel::clickFromEvent()
{
    // No exception may leave an event handler: it goes to the standard box and the program goes on.
    try {
        Click();
    } catch (const std::exception &failure) {
        if (m_exceptionHandler)
            m_exceptionHandler(failure);
        else
            qWarning() << failure.what();
    }
}

void TURLLabel::setFontColour(const QColor &colour)
{
    QPalette colours = palette();
    // Blue and red are for a light ground; on a dark desktop the same hues are made lighter.
    colours.setColor(QPalette::WindowText, Contrast::forGround(colour, colours.color(QPalette::Window)));
    setPalette(colours);
}

void TURLLabel::setUnderline(bool underline)
{
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}
