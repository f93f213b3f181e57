#include "app/widgets/ToolbarButton.h"

#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Artwork.h"

#include <QKeyEvent>
#include <QLabel>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

ToolbarButton::ToolbarButton(const QString &name, const QString &caption, const QString &pictureName, QWidget *parent)
    : QFrame(parent), m_picture(new QLabel(this)), m_caption(new QLabel(caption, this))
{
    setObjectName(name);
    setFixedSize(73, 64);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    // A screen reader announces the panel as the push button it acts as.
    AccessibleControl::install("ToolbarButton", QAccessible::Button,
                               [](QWidget *button) { Q_EMIT static_cast<ToolbarButton *>(button)->clicked(); });
    setAccessibleName(caption);
    m_picture->setObjectName(name + QStringLiteral("Image"));
    m_picture->setPixmap(Artwork::pixmap(pictureName, QSize(33, 33), parent));
    m_picture->setGeometry((73 - 33) / 2, 5, 33, 33);
    m_picture->setAlignment(Qt::AlignCenter);
    m_caption->setObjectName(name + QStringLiteral("Label"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    m_caption->setFont(font);
    m_caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_caption->setGeometry(2, 42, 69, 18);
    m_caption->setMouseTracking(true);
    setBevel(Bevel::None);
}

void ToolbarButton::setBevel(Bevel bevel)
{
    m_bevel = bevel;
    switch (bevel) {
    case Bevel::None:
        setFrameStyle(QFrame::NoFrame);
        break;
    case Bevel::Raised:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    case Bevel::Lowered:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    }
    setLineWidth(1);
}

bool ToolbarButton::owns(const QObject *object) const
{
    return object == this || object == m_picture || object == m_caption;
}

void ToolbarButton::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            Q_EMIT clicked();
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

void ToolbarButton::focusInEvent(QFocusEvent *event)
{
    QFrame::focusInEvent(event);
    update();
}

void ToolbarButton::focusOutEvent(QFocusEvent *event)
{
    QFrame::focusOutEvent(event);
    update();
}

void ToolbarButton::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(3, 3, -3, -3);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
