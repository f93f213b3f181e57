#include "ui/widgets/AccessibleControl.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {

struct Kind
{
    QAccessible::Role role;
    std::function<void(QWidget *)> press;
};

QHash<QString, Kind> &kinds()
{
    static QHash<QString, Kind> all;
    return all;
}

class PressableAccessible final : public QAccessibleWidget
{
public:
    PressableAccessible(QWidget *widget, const Kind &kind) : QAccessibleWidget(widget, kind.role), m_press(kind.press)
    {
    }

    // The picture and caption inside are part of the control, not controls of their own.
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    // The accessible name, else the control's own text (a link's caption).
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            return widget()->property("text").toString();
        return own;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (!widget()->isEnabled())
            return;
        QPointer<QWidget> target = widget();
        QMetaObject::invokeMethod(
            target,
            [target, press = m_press] {
                if (target)
                    press(target);
            },
            Qt::QueuedConnection);
    }

private:
    std::function<void(QWidget *)> m_press;
};

QAccessibleInterface *create(const QString &className, QObject *object)
{
    const auto found = kinds().constFind(className);
    if (found == kinds().constEnd() || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (!found->press)
        return new QAccessibleWidget(widget, found->role);
    return new PressableAccessible(widget, *found);
}

} // namespace

namespace AccessibleControl {

void install(const char *className, QAccessible::Role role, std::function<void(QWidget *)> press)
{
    const QString name = QString::fromLatin1(className);
    if (kinds().contains(name))
        return;
    if (kinds().isEmpty())
        QAccessible::installFactory(create);
    kinds().insert(name, Kind{role, std::move(press)});
}

void installWindow(const char *className)
{
    install(className, QAccessible::Window, nullptr);
}

} // namespace AccessibleControl
