#include "profile/widgets/ProfileGrid.h"

#include "profile/ProfileRules.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

constexpr int kEdgeGrip = 4;

// Every data-file line ends with CR LF, so a pasted line break becomes a blank before it reaches the
// cell.
class ValueDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        m_editor = editor;
        // Assistive technology names the editor after its row's label, as it would a text box after its
        // label; the editor is what it announces while the keyboard is in the cell.
        if (editor)
            editor->setAccessibleName(index.siblingAtColumn(0).data().toString());
        // The grid hears the editor's key releases (see ProfileGrid::eventFilter).
        if (editor && this->parent())
            editor->installEventFilter(this->parent());
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            model->setData(index, ProfileRules::withoutLineBreaks(line->text()), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

    QWidget *editor() const { return m_editor; }

protected:
    // Escape in a cell editor takes back the cell's edit in progress; with none, it is meant for the
    // window (Cancel).
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            if (auto *grid = qobject_cast<ProfileGrid *>(parent()); grid && !grid->cancelOpenEdit())
                Q_EMIT grid->escapePressed();
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    mutable QPointer<QWidget> m_editor;
};

} // namespace

ProfileGrid::ProfileGrid(int rows, int columns, QWidget *parent) : QTableWidget(rows, columns, parent)
{
    // Every row fits; moving between cells must not scroll the labels out of view.
    setAutoScroll(false);
    setItemDelegate(new ValueDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setMouseTracking(true);
    // Fixed cells are disabled so that Tab passes over them; they keep the normal text colour.
    QPalette pal = palette();
    pal.setColor(QPalette::Disabled, QPalette::Text, pal.color(QPalette::Active, QPalette::Text));
    setPalette(pal);
}

void ProfileGrid::setCellText(int row, int column, const QString &text)
{
    QTableWidgetItem *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        if (row == 0 || column == 0) {
            cell->setFlags(Qt::NoItemFlags);
            cell->setBackground(palette().button());
        }
        setItem(row, column, cell);
    }
    cell->setText(text);
}

QString ProfileGrid::cellText(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

QWidget *ProfileGrid::openEditor() const
{
    QWidget *editor = static_cast<const ValueDelegate *>(itemDelegate())->editor();
    return editor && state() == QAbstractItemView::EditingState ? editor : nullptr;
}

void ProfileGrid::commitOpenEditor()
{
    if (QWidget *editor = openEditor())
        commitData(editor);
}

void ProfileGrid::discardOpenEditor()
{
    if (QWidget *editor = openEditor())
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void ProfileGrid::editCurrentCell()
{
    if (state() != QAbstractItemView::EditingState)
        edit(currentIndex());
}

bool ProfileGrid::cancelOpenEdit()
{
    auto *line = qobject_cast<QLineEdit *>(openEditor());
    const QString before = cellText(currentRow(), currentColumn());
    if (!line || line->text() == before)
        return false;
    line->setText(before);
    line->selectAll();
    return true;
}

void ProfileGrid::resumeEditing()
{
    editCurrentCell();
    if (auto *line = qobject_cast<QLineEdit *>(openEditor())) {
        line->deselect();
        line->end(false);
    }
}

int ProfileGrid::columnEdgeAt(const QPoint &position) const
{
    if (rowAt(position.y()) != 0)
        return -1;
    for (int column = 0; column < columnCount(); ++column) {
        const int edge = columnViewportPosition(column) + columnWidth(column);
        if (std::abs(position.x() - edge) <= kEdgeGrip)
            return column;
    }
    return -1;
}

void ProfileGrid::mousePressEvent(QMouseEvent *event)
{
    const int column = event->button() == Qt::LeftButton ? columnEdgeAt(event->position().toPoint()) : -1;
    if (column >= 0) {
        m_sizedColumn = column;
        m_sizeStartX = event->position().toPoint().x();
        m_sizeStartWidth = columnWidth(column);
        event->accept();
    } else {
        QTableWidget::mousePressEvent(event);
    }
    Q_EMIT mousePressed();
}

void ProfileGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    if (m_sizedColumn >= 0) {
        setColumnWidth(m_sizedColumn, std::max(kEdgeGrip * 2, m_sizeStartWidth + position.x() - m_sizeStartX));
        event->accept();
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        if (columnEdgeAt(position) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
    }
    QTableWidget::mouseMoveEvent(event);
}

void ProfileGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_sizedColumn >= 0) {
        m_sizedColumn = -1;
        event->accept();
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void ProfileGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Q_EMIT escapePressed();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void ProfileGrid::keyReleaseEvent(QKeyEvent *event)
{
    QTableWidget::keyReleaseEvent(event);
    Q_EMIT keyReleased();
}

// A key released in a cell editor counts as released in the grid. The event is taken here so that it
// does not reach keyReleaseEvent a second time on its way up from the editor.
bool ProfileGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->parentWidget() == viewport()) {
        Q_EMIT keyReleased();
        return true;
    }
    return QTableWidget::eventFilter(watched, event);
}
