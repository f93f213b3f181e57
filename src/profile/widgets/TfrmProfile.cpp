#include "profile/widgets/TfrmProfile.h"
#include "session/Product.h"

#include "platform/Interaction.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"
#include "profile/widgets/ProfileGrid.h"
#include "ui/widgets/AccessibleControl.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/WindowPlacement.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {
constexpr int kValueColumn = 1;
constexpr int kLabelColumnWidth = 180;
constexpr int kValueColumnWidth = 300;
constexpr int kVisibleCountries = 16;
const QString kDiscardQuestion = QStringLiteral("Your profile has changes that are not saved.\nDiscard them?");

// The country selector takes the keyboard while it is shown: arrows and type-ahead move through the
// list, Enter or Tab picks the entry and moves on to the next field, Shift+Tab to the one before.
class CountrySelector final : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    std::function<void(int rowStep)> left;
    std::function<void()> escaped;
    // Whether the current change of entry comes from a key on the closed selector.
    bool movedByKey() const { return m_movedByKey; }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            left(1);
            return;
        case Qt::Key_Backtab:
            left(-1);
            return;
        case Qt::Key_Escape:
            escaped();
            return;
        default:
            m_movedByKey = true;
            QComboBox::keyPressEvent(event);
            m_movedByKey = false;
        }
    }

private:
    bool m_movedByKey = false;
};
} // namespace

TfrmProfile::TfrmProfile(Interaction &interaction, QWidget *parent)
    : QWidget(parent, Qt::Window), m_interaction(interaction),
      m_countryRow(ProfileRules::row(QStringLiteral("Country"))), m_heading(new QLabel(this)),
      m_grid(new ProfileGrid(int(ProfileRules::fields().size()) + 1, 2, this)),
      m_countries(new CountrySelector(m_grid->viewport())), m_save(new QPushButton(this)),
      m_cancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmProfile"));
    AccessibleControl::installWindow("TfrmProfile");
    AccessibleControl::installSelector("CountrySelector");
    setWindowTitle(QStringLiteral("Profile"));
    // Pixel size, so that the layout does not grow with the system's font size.
    QFont type(QStringLiteral("Arial"));
    type.setPixelSize(13);
    setFont(type);
    resize(460, 480);

    buildGrid();
    buildCountrySelector();
    buildButtons();
    layOut();
    wireHandlers();
}

void TfrmProfile::buildGrid()
{
    m_heading->setObjectName(QStringLiteral("Label1"));
    m_heading->setText(QStringLiteral("Registration Information"));

    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_heading->setBuddy(m_grid);
    m_grid->setAccessibleName(m_heading->text());
    m_grid->setColumnWidth(0, kLabelColumnWidth);
    m_grid->setColumnWidth(kValueColumn, kValueColumnWidth);
}

void TfrmProfile::buildCountrySelector()
{
    m_countries->setObjectName(QStringLiteral("ComboBox1"));
    m_countries->setAccessibleName(QStringLiteral("Country"));
    m_countries->addItems(ProfileRules::countries());
    m_countries->setEditable(false);
    m_countries->setFixedWidth(244);
    // A list of a few entries under the selector, not one over the whole screen height.
    m_countries->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_countries->setMaxVisibleItems(kVisibleCountries);
    m_countries->hide();
}

void TfrmProfile::buildButtons()
{
    m_save->setObjectName(QStringLiteral("btnSave"));
    m_save->setText(QStringLiteral("Save Profile"));
    m_cancel->setObjectName(QStringLiteral("Button2"));
    m_cancel->setText(QStringLiteral("Cancel"));
}

void TfrmProfile::layOut()
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_grid, 1);
    layout->addLayout(Layouts::centredRow({m_save, m_cancel}));
    // Wide enough for both columns at their set widths, so that no horizontal scroll bar stays.
    const QMargins margins = layout->contentsMargins();
    resize(std::max(width(), kLabelColumnWidth + kValueColumnWidth + 2 * m_grid->frameWidth() + margins.left() +
                                 margins.right()),
           height());
}

void TfrmProfile::wireHandlers()
{
    auto *selector = static_cast<CountrySelector *>(m_countries);
    selector->left = [this](int rowStep) { leaveSelector(rowStep); };
    selector->escaped = [this] { selectorEscaped(); };
    connect(m_save, &QPushButton::clicked, this, &TfrmProfile::btnSaveClick);
    connect(m_cancel, &QPushButton::clicked, this, &TfrmProfile::Button2Click);
    connect(m_grid, &ProfileGrid::mousePressed, this, &TfrmProfile::StringGrid1MouseDown);
    connect(m_grid, &ProfileGrid::keyReleased, this, &TfrmProfile::StringGrid1KeyUp);
    // Escape that takes back no edit of a cell is Cancel, in the grid and anywhere else in the window.
    connect(m_grid, &ProfileGrid::escapePressed, this, &TfrmProfile::Button2Click);
    Layouts::onEscape(this, [this] { Button2Click(); });
    // Only the user's pick, not the check's own selection, writes the cell. A key on the closed
    // selector writes the entry it moved to and leaves the selector open for the next key.
    connect(m_countries, &QComboBox::activated, this, [this, selector] {
        if (selector->movedByKey())
            putCountry(m_countries->currentText());
        else
            ComboBox1Click();
    });
}

void TfrmProfile::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmProfile::FormShow()
{
    // Edits that were never saved are replaced by the stored values, an open cell editor's too.
    m_grid->discardOpenEditor();
    m_countries->hide();

    m_grid->setCellText(0, 0, QStringLiteral("Name"));
    m_grid->setCellText(0, kValueColumn, QStringLiteral("Value"));
    for (const ProfileRules::Field &field : ProfileRules::fields())
        m_grid->setCellText(field.row, 0, field.label);
    m_grid->setColumnWidth(kValueColumn, kValueColumnWidth);

    QString error;
    const auto values = ProfileStore::readAll(true, &error);
    if (!values)
        m_interaction.warning(error);
    for (const ProfileRules::Field *field : ProfileRules::inOrder(&ProfileRules::Field::stored))
        m_grid->setCellText(field->row, kValueColumn, values ? values->value(field->name) : QString());
    m_savedValues = shownValues();

    // Every showing starts at the first field with its editor open, wherever the last one was left.
    m_grid->setCurrentCell(1, kValueColumn);
    m_grid->editCurrentCell();
    // The labels stay in view: the grid is not scrolled sideways to reach the value cell.
    m_grid->horizontalScrollBar()->setValue(0);
    m_grid->verticalScrollBar()->setValue(0);
    WindowPlacement::centreOnScreen(this);
}

void TfrmProfile::btnSaveClick()
{
    m_grid->commitOpenEditor();
    // A Country text that is not in the list is never stored: it is replaced, with the warning that
    // asks the user to verify it and save again, and nothing is saved this time. An empty Country is
    // left to the check of the required fields.
    if (!m_grid->cellText(m_countryRow, kValueColumn).isEmpty() && checkCountry())
        return;
    ProfileValues values;
    for (const ProfileRules::Field *field : ProfileRules::inOrder(&ProfileRules::Field::stored)) {
        // A value that came in with a line break (a hand-edited store) is saved on one line.
        const QString text = ProfileRules::withoutLineBreaks(m_grid->cellText(field->row, kValueColumn));
        if (text != m_grid->cellText(field->row, kValueColumn))
            m_grid->setCellText(field->row, kValueColumn, text);
        values.insert(field->name, text);
    }
    if (const auto missing = ProfileRules::firstMissing(values)) {
        m_interaction.message(Product::applicationTitle(), *missing, Interaction::Icon::None, Interaction::Buttons::Ok);
        return;
    }
    QString error;
    if (!ProfileStore::writeAll(values, &error)) {
        // The window stays open with the user's edits; nothing stored was touched.
        m_interaction.warning(error);
        return;
    }
    m_savedValues = shownValues();
    m_interaction.information(QStringLiteral("Profile Information Saved"));
    close();
}

void TfrmProfile::Button2Click()
{
    close();
}

void TfrmProfile::closeEvent(QCloseEvent *event)
{
    // Cancel, Escape and the window's close button leave unsaved edits only when the user says so.
    m_grid->commitOpenEditor();
    if (shownValues() != m_savedValues &&
        message(Product::applicationTitle(), kDiscardQuestion, Interaction::Icon::Question,
                Interaction::Buttons::YesNo) != Interaction::Answer::Yes) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

QStringList TfrmProfile::shownValues() const
{
    QStringList values;
    for (const ProfileRules::Field *field : ProfileRules::inOrder(&ProfileRules::Field::stored))
        values.append(m_grid->cellText(field->row, kValueColumn));
    return values;
}

Interaction::Answer TfrmProfile::message(const QString &caption, const QString &text, Interaction::Icon icon,
                                         Interaction::Buttons buttons)
{
    // The box takes the keyboard, which closes the cell editor; it opens again with what was typed
    // and the caret at its end, so that the next key adds to the text instead of replacing it.
    const bool editing = m_grid->isEditing() && m_grid->currentRow() != m_countryRow;
    const Interaction::Answer answer = m_interaction.message(caption, text, icon, buttons);
    if (editing)
        m_grid->resumeEditing();
    return answer;
}

void TfrmProfile::StringGrid1MouseDown()
{
    countrySelectorAndCheck();
}

void TfrmProfile::StringGrid1KeyUp()
{
    countrySelectorAndCheck();
}

void TfrmProfile::countrySelectorAndCheck()
{
    const QString text = m_grid->cellText(m_countryRow, kValueColumn);
    if (m_grid->currentRow() == m_countryRow && m_grid->currentColumn() == kValueColumn) {
        if (!m_countries->isVisible())
            m_countryBefore = text;
        const QRect cell = m_grid->visualRect(m_grid->model()->index(m_countryRow, kValueColumn));
        m_countries->setGeometry(cell.x(), cell.y(), m_countries->width(), cell.height());
        m_countries->setCurrentIndex(ProfileRules::countryIndex(text));
        m_countries->show();
        m_countries->raise();
        // The keyboard goes to the selector, not to the cell editor hidden under it.
        m_countries->setFocus(Qt::OtherFocusReason);
        return;
    }
    checkCountry();
}

bool TfrmProfile::checkCountry()
{
    const int index = ProfileRules::countryIndex(m_grid->cellText(m_countryRow, kValueColumn));
    const bool replaced = index < 0;
    if (!replaced) {
        // The cell keeps the text as typed, in whatever letter case.
        m_countries->setCurrentIndex(index);
    } else {
        m_countries->setCurrentIndex(0);
        putCountry(ProfileRules::defaultCountry());
    }
    const bool hadKeyboard = m_countries->hasFocus();
    m_countries->hide();
    if (hadKeyboard)
        m_grid->setFocus(Qt::OtherFocusReason);
    if (replaced)
        message(QStringLiteral("Warning"), ProfileRules::invalidCountryWarning(), Interaction::Icon::Warning,
                Interaction::Buttons::Ok);
    return replaced;
}

void TfrmProfile::putCountry(const QString &text)
{
    if (m_grid->currentRow() == m_countryRow)
        m_grid->discardOpenEditor();
    m_grid->setCellText(m_countryRow, kValueColumn, text);
}

void TfrmProfile::leaveSelector(int rowStep)
{
    putCountry(m_countries->currentText());
    m_countries->hide();
    m_grid->setFocus(Qt::TabFocusReason);
    m_grid->setCurrentCell(m_countryRow + rowStep, kValueColumn);
}

void TfrmProfile::selectorEscaped()
{
    // The selector is the Country cell's editor: Escape takes back what it changed, else it is Cancel.
    if (m_grid->cellText(m_countryRow, kValueColumn) == m_countryBefore) {
        Button2Click();
        return;
    }
    putCountry(m_countryBefore);
    m_countries->setCurrentIndex(ProfileRules::countryIndex(m_countryBefore));
}

void TfrmProfile::ComboBox1Click()
{
    putCountry(m_countries->currentText());
    m_countries->hide();
    m_grid->setFocus(Qt::OtherFocusReason);
}

#include "TfrmProfile.moc"
