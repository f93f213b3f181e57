#include "ui/widgets/AccessibleControl.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {

struct Kind
{
    QAccessible::Role role;
    std::function<void(QWidget *)> press;
    bool selector = false;
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

class SelectorAccessible final : public QAccessibleWidget
{
public:
    explicit SelectorAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }

    // The list of entries, which names the selector as its parent, dropped down or not.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || (t == QAccessible::Name && box()->accessibleName().isEmpty()))
            return box()->currentText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface *create(const QString &className, QObject *object)
{
    const auto found = kinds().constFind(className);
    if (found == kinds().constEnd() || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (auto *box = qobject_cast<QComboBox *>(widget); box && found->selector)
        return new SelectorAccessible(box);
    if (!found->press)
        return new QAccessibleWidget(widget, found->role);
    return new PressableAccessible(widget, *found);
}

void installKind(const char *className, Kind kind)
{
    const QString name = QString::fromLatin1(className);
    if (kinds().contains(name))
        return;
    if (kinds().isEmpty())
        QAccessible::installFactory(create);
    kinds().insert(name, std::move(kind));
}

} // namespace

namespace AccessibleControl {

void install(const char *className, QAccessible::Role role, std::function<void(QWidget *)> press)
{
    installKind(className, Kind{role, std::move(press)});
}

void installWindow(const char *className)
{
    install(className, QAccessible::Window, nullptr);
}

void installSelector(const char *className)
{
    installKind(className, Kind{QAccessible::ComboBox, nullptr, true});
}

} // namespace AccessibleControl
