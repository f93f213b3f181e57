#include "ui/widgets/Layouts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QWidget>

namespace {

// Sees the window's own key presses, which include those its controls let pass up to it.
class EscapeFilter final : public QObject
{
public:
    EscapeFilter(QWidget *window, std::function<void()> action) : QObject(window), m_action(std::move(action)) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != parent() || event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

} // namespace

namespace Layouts {

QHBoxLayout *centredRow(std::initializer_list<QWidget *> widgets)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *widget : widgets)
        row->addWidget(widget);
    row->addStretch();
    return row;
}

void setNames(std::initializer_list<std::pair<QObject *, const char *>> named)
{
    for (const auto &[object, name] : named)
        object->setObjectName(QLatin1String(name));
}

void onEscape(QWidget *window, std::function<void()> action)
{
    window->installEventFilter(new EscapeFilter(window, std::move(action)));
}

} // namespace Layouts
