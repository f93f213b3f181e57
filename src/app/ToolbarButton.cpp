#include "app/ToolbarButton.h"

#include <QIcon>
#include <QLabel>

ToolbarButton::ToolbarButton(const QString &name, const QString &caption, const QIcon &icon, QWidget *parent)
    : QFrame(parent), m_picture(new QLabel(this)), m_caption(new QLabel(caption, this))
{
    setObjectName(name);
    setFixedSize(73, 64);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    m_picture->setObjectName(name + QStringLiteral("Image"));
    m_picture->setPixmap(icon.pixmap(33, 33));
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
