#include "profile/ProfileRules.h"
#include "profile/ProfileStore.h"
#include "profile/widgets/TfrmProfile.h"

#include "ProfileTestUtil.h"
#include "RecordingInteraction.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

namespace {

const QString kTitle = QStringLiteral("Orvane Year2000 Sorvik");

class ProfileWindow : public ::testing::Test
{
protected:
    void SetUp() override { TestEnvironment::fresh(); }

    void showWindow()
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        grid = window.findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
        countries = window.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        save = window.findChild<QPushButton *>(QStringLiteral("btnSave"));
        cancel = window.findChild<QPushButton *>(QStringLiteral("Button2"));
        ASSERT_TRUE(grid && countries && save && cancel);
    }

    QString cell(int row) const { return grid->item(row, 1) ? grid->item(row, 1)->text() : QString(); }
    void setCell(int row, const QString &text) { grid->item(row, 1)->setText(text); }

    void fillComplete()
    {
        const ProfileValues values = ProfileTestUtil::complete();
        for (int row = 1; row <= 16; ++row) {
            const QString label = grid->item(row, 0)->text();
            for (const auto &field : ProfileRules::fields()) {
                if (field.label == label)
                    setCell(row, values.value(field.name));
            }
        }
    }

    void clickCell(int row, int column)
    {
        const QRect rect = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }

    RecordingInteraction interaction;
    TfrmProfile window{interaction};
    QTableWidget *grid = nullptr;
    QComboBox *countries = nullptr;
    QPushButton *save = nullptr;
    QPushButton *cancel = nullptr;
};

} // namespace

TEST_F(ProfileWindow, FirstShowingShowsLabelsEmptyValuesAndLeavesAnEmptyKey)
{
    ASSERT_FALSE(ProfileStore::keyExists());
    showWindow();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Profile"));
    EXPECT_TRUE(window.findChild<QLabel *>()->text() == QStringLiteral("Registration Information"));
    ASSERT_EQ(grid->rowCount(), 17);
    ASSERT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("Name"));
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("Value"));
    const QStringList labels = {"First Name",
                                "Last Name",
                                "Address 1",
                                "Address 2",
                                "Address 3",
                                "City",
                                "State/Region",
                                "Zip Code",
                                "Country",
                                "Email Address",
                                "Telephone Number",
                                "Fax Number",
                                "Company Name",
                                "Email Y2K Report to me at",
                                "Title",
                                "Preferred Reseller"};
    for (int row = 1; row <= 16; ++row) {
        EXPECT_EQ(grid->item(row, 0)->text(), labels[row - 1]);
        EXPECT_EQ(cell(row), QString()) << row;
        EXPECT_FALSE(grid->item(row, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(grid->rowHeight(row), 18);
    }
    EXPECT_FALSE(grid->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->item(1, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(grid->columnWidth(0), 180);
    EXPECT_EQ(grid->columnWidth(1), 300);
    EXPECT_EQ(save->text(), QStringLiteral("Save Profile"));
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));

    EXPECT_EQ(countries->count(), 240);
    EXPECT_FALSE(countries->isEditable());
    EXPECT_EQ(countries->width(), 244);
    EXPECT_FALSE(countries->isVisible());

    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_TRUE(ProfileStore::keyExists());
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Company")), QString());
}

TEST_F(ProfileWindow, SaveReportsOnlyTheFirstEmptyFieldAndWritesNothing)
{
    showWindow();
    const QByteArray emptyKey = ProfileTestUtil::fileBytes();
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, kTitle);
    EXPECT_EQ(interaction.messages[0].text, QStringLiteral("Please Enter First Name"));
    EXPECT_EQ(interaction.messages[0].icon, Interaction::Icon::None);
    EXPECT_EQ(interaction.messages[0].buttons, Interaction::Buttons::Ok);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(ProfileTestUtil::fileBytes(), emptyKey);

    // City before Zip Code before State/Region; Country only when all else is filled.
    fillComplete();
    setCell(6, QString());
    setCell(7, QString());
    setCell(8, QString());
    setCell(9, QString());
    const QStringList expected = {
        QStringLiteral("Please Enter your City"), QStringLiteral("Please Enter your Zip Code"),
        QStringLiteral("Please Enter your State or Region"), QStringLiteral("Please Enter your Country Name")};
    for (int i = 0; i < expected.size(); ++i) {
        interaction.messages.clear();
        QTest::mouseClick(save, Qt::LeftButton);
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_EQ(interaction.messages[0].text, expected[i]);
        EXPECT_EQ(interaction.messages[0].caption, kTitle);
        setCell(QList<int>{6, 8, 7, 9}[i], QStringLiteral("x"));
    }
    EXPECT_EQ(cell(6), QStringLiteral("x"));
    EXPECT_EQ(ProfileTestUtil::fileBytes(), emptyKey);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ProfileWindow, SaveStoresAll16ValuesAsTheyStandAndCloses)
{
    showWindow();
    fillComplete();
    setCell(1, QStringLiteral(" "));                // a blank is filled
    setCell(9, QStringLiteral("germany"));          // letter case kept
    setCell(4, QStringLiteral("  Flat 2; \"B\"=")); // stored exactly
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(interaction.messages[0].text, QStringLiteral("Profile Information Saved"));
    EXPECT_EQ(interaction.messages[0].icon, Interaction::Icon::Information);
    EXPECT_FALSE(window.isVisible());

    QSettings settings(ProfileStore::filePath(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Orvane_Y2K"));
    EXPECT_EQ(settings.childKeys().size(), 16);
    EXPECT_EQ(settings.value(QStringLiteral("First")).toString(), QStringLiteral(" "));
    EXPECT_EQ(settings.value(QStringLiteral("Country")).toString(), QStringLiteral("germany"));
    EXPECT_EQ(settings.value(QStringLiteral("Address2")).toString(), QStringLiteral("  Flat 2; \"B\"="));
    EXPECT_EQ(settings.value(QStringLiteral("Title")).toString(), QString());
    EXPECT_TRUE(settings.contains(QStringLiteral("Reseller")));
    EXPECT_EQ(settings.value(QStringLiteral("SendTo")).toString(), QStringLiteral("ada@example.org"));
}

TEST_F(ProfileWindow, CancelStoresNothingAndTheNextShowingReloads)
{
    ASSERT_TRUE(ProfileStore::writeAll(ProfileTestUtil::complete()));
    const QByteArray stored = ProfileTestUtil::fileBytes();
    showWindow();
    EXPECT_EQ(cell(1), QStringLiteral("Ada"));
    EXPECT_EQ(cell(14), QStringLiteral("ada@example.org"));
    setCell(1, QStringLiteral("Changed"));
    setCell(13, QString());
    // Unsaved edits are let go only when the user says so.
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, kTitle);
    EXPECT_EQ(interaction.messages[0].text,
              QStringLiteral("Your profile has changes that are not saved.\nDiscard them?"));
    EXPECT_EQ(interaction.messages[0].buttons, Interaction::Buttons::YesNo);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(cell(1), QStringLiteral("Changed"));
    interaction.queueAnswer(Interaction::Answer::Yes);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(ProfileTestUtil::fileBytes(), stored);

    window.show();
    EXPECT_EQ(cell(1), QStringLiteral("Ada"));
    EXPECT_EQ(cell(13), QStringLiteral("Analytical Engines Ltd"));

    // Left in State/Region, Escape in its editor takes back that cell's edit only; the next Escape is
    // Cancel, which has nothing to ask. The next showing starts again at the first field with its
    // editor open, so that the first key goes there.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setCurrentCell(7, 1);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, QStringLiteral("XX"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Westminster"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(interaction.messages.size(), 2u);
    EXPECT_EQ(ProfileTestUtil::fileBytes(), stored);
    showWindow();
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(QApplication::focusWidget()->parentWidget(), grid->viewport());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("!"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(cell(1).endsWith(QLatin1Char('!'))) << cell(1).toStdString();
    EXPECT_EQ(cell(7), QStringLiteral("Westminster"));
}

TEST_F(ProfileWindow, ClickingElsewhereChecksTheCountry)
{
    showWindow();
    // A new profile: the first click on another cell fills in the default with a warning.
    clickCell(2, 1);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[0].icon, Interaction::Icon::Warning);
    EXPECT_EQ(interaction.messages[0].text, QStringLiteral("Invalid COUNTRY code.  Defaulting to 'United States'.\n\n"
                                                           "Verify COUNTRY code and click 'Save Profile'."));
    EXPECT_EQ(cell(9), QStringLiteral("United States"));
    EXPECT_EQ(countries->currentIndex(), 0);

    // A known name in any letter case stays as typed; the check then changes nothing.
    interaction.messages.clear();
    setCell(9, QStringLiteral("nEW zEALAND"));
    clickCell(3, 1);
    clickCell(0, 0); // a fixed cell counts as well
    EXPECT_TRUE(interaction.messages.empty());
    EXPECT_EQ(cell(9), QStringLiteral("nEW zEALAND"));
    EXPECT_EQ(countries->currentText(), QStringLiteral("New Zealand"));

    setCell(9, QStringLiteral("Atlantis"));
    clickCell(4, 1);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(cell(9), QStringLiteral("United States"));
    EXPECT_FALSE(countries->isVisible());
}

TEST_F(ProfileWindow, TheSelectorAppearsOverTheCountryCellAndPutsThePickIntoIt)
{
    showWindow();
    setCell(9, QStringLiteral("france"));
    clickCell(9, 1);
    EXPECT_TRUE(interaction.messages.empty());
    ASSERT_TRUE(countries->isVisible());
    const QRect rect = grid->visualRect(grid->model()->index(9, 1));
    EXPECT_EQ(countries->geometry().topLeft(), rect.topLeft());
    EXPECT_EQ(countries->width(), 244);
    EXPECT_EQ(countries->currentText(), QStringLiteral("France"));

    // The selector has the keyboard: an arrow writes the entry it moves to and keeps the selector
    // for the next key; Enter picks and moves on to the next field.
    EXPECT_EQ(QApplication::focusWidget(), countries);
    QTest::keyClick(countries, Qt::Key_Down);
    EXPECT_EQ(cell(9), QStringLiteral("France, Metropolitan"));
    EXPECT_TRUE(countries->isVisible());
    // Escape takes the change back, as in a cell editor, and leaves the window open.
    QTest::keyClick(countries, Qt::Key_Escape);
    EXPECT_EQ(cell(9), QStringLiteral("france"));
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(countries, Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(cell(9), QStringLiteral("France, Metropolitan"));
    EXPECT_FALSE(countries->isVisible());
    EXPECT_EQ(grid->currentRow(), 10);

    // The pick survives moving on: the cell editor left under the selector does not write back.
    clickCell(1, 1);
    EXPECT_EQ(cell(9), QStringLiteral("France, Metropolitan"));
    EXPECT_TRUE(interaction.messages.empty());
}

TEST_F(ProfileWindow, TypingAndTabGoThroughTheCellEditor)
{
    showWindow();
    ASSERT_EQ(grid->currentRow(), 1);
    ASSERT_EQ(grid->currentColumn(), 1);
    QWidget *editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit *>(editor));
    QTest::keyClicks(editor, QStringLiteral("Ada"));
    // Tab moves to the next value cell, past the label column; releasing the key (in the new cell's
    // editor) checks the country once.
    QTest::keyPress(editor, Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), editor);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(cell(1), QStringLiteral("Ada"));
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(interaction.texts(),
              QStringList{QStringLiteral("Invalid COUNTRY code.  Defaulting to 'United States'.\n\n"
                                         "Verify COUNTRY code and click 'Save Profile'.")});

    // A pasted line break becomes a blank in the cell.
    editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit *>(editor));
    qobject_cast<QLineEdit *>(editor)->setText(QStringLiteral("Love\r\nlace\n"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(cell(2), QStringLiteral("Love lace "));
    EXPECT_EQ(grid->currentRow(), 3);
}

TEST_F(ProfileWindow, TheCountryWarningAtTheFirstKeyKeepsWhatWasTyped)
{
    showWindow();
    // A real box takes the keyboard while it is shown, and the window gets it back when it closes.
    interaction.onMessage = [this] {
        QWidget box;
        box.show();
        QApplication::setActiveWindow(&box);
        box.hide();
        QApplication::setActiveWindow(&window);
    };
    // Each key goes where the keyboard is at the time.
    for (const char key : {'A', 'd', 'a'})
        QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(interaction.texts(), QStringList{ProfileRules::invalidCountryWarning()});
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("Ada"));
    EXPECT_EQ(editor->cursorPosition(), 3);
    EXPECT_FALSE(editor->hasSelectedText());
}

TEST_F(ProfileWindow, ReachedByTabTheSelectorTakesTheKeyboardAndSaveNeverStoresAnUnknownCountry)
{
    showWindow();
    // Both columns fit at their set widths.
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    fillComplete();
    // Tab into the Country cell: typed letters go to the selector (type-ahead), not to the hidden
    // cell editor.
    grid->setCurrentCell(8, 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(countries->isVisible());
    ASSERT_EQ(QApplication::focusWidget(), countries);
    QTest::keyClicks(countries, QStringLiteral("Cana"));
    EXPECT_EQ(cell(9), QStringLiteral("Canada"));
    QTest::keyClick(countries, Qt::Key_Tab);
    EXPECT_FALSE(countries->isVisible());
    EXPECT_EQ(grid->currentRow(), 10);
    EXPECT_TRUE(interaction.messages.empty());

    // A Country that is not in the list, however it got there: Save replaces it, warns, stores nothing.
    setCell(9, QStringLiteral("xyz"));
    window.btnSaveClick();
    EXPECT_EQ(interaction.texts(), QStringList{ProfileRules::invalidCountryWarning()});
    EXPECT_EQ(cell(9), QStringLiteral("United States"));
    EXPECT_FALSE(ProfileStore::keyExists() && !ProfileStore::value(QStringLiteral("Company")).isEmpty());
    // Verified and saved again, as the warning asks.
    window.btnSaveClick();
    EXPECT_EQ(ProfileStore::value(QStringLiteral("Country")), QStringLiteral("United States"));

    // The drop-down shows a few entries, not the whole screen height.
    window.show();
    grid->setCurrentCell(9, 1);
    window.StringGrid1KeyUp();
    countries->showPopup();
    QWidget *popup = countries->view()->window();
    EXPECT_LT(popup->height(), 24 * 18);
    countries->hidePopup();
}

TEST_F(ProfileWindow, SaveTakesTheTextOfTheOpenEditor)
{
    showWindow();
    fillComplete();
    setCell(1, QString());
    grid->setCurrentCell(2, 1);
    grid->setCurrentCell(1, 1);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, QStringLiteral("Grace"));
    window.btnSaveClick();
    EXPECT_EQ(interaction.texts(), QStringList{QStringLiteral("Profile Information Saved")});
    EXPECT_EQ(ProfileStore::value(QStringLiteral("First")), QStringLiteral("Grace"));
}

TEST_F(ProfileWindow, AStoreThatCannotBeWrittenKeepsTheWindowAndItsEdits)
{
    // "sorvik" is a file, so the store can neither be created nor written, whoever runs the test.
    QFile blocker(TestEnvironment::root() + QStringLiteral("/config/sorvik"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    showWindow();
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Warning"));
    EXPECT_TRUE(interaction.messages[0].text.startsWith(QStringLiteral("Cannot save the profile file ") +
                                                        ProfileStore::filePath() + QStringLiteral(": ")));
    EXPECT_EQ(cell(1), QString());

    interaction.messages.clear();
    fillComplete();
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(interaction.messages[0].icon, Interaction::Icon::Warning);
    EXPECT_TRUE(interaction.messages[0].text.contains(ProfileStore::filePath()));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(cell(13), QStringLiteral("Analytical Engines Ltd"));
}

TEST_F(ProfileWindow, ColumnsAreSizedByDraggingTheirEdgeInTheFixedRow)
{
    showWindow();
    const int y = grid->rowViewportPosition(0) + grid->rowHeight(0) / 2;
    const int edge = grid->columnViewportPosition(0) + grid->columnWidth(0);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(grid->viewport(), QPoint(edge - 40, y));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(edge - 40, y));
    EXPECT_EQ(grid->columnWidth(0), 140);
    EXPECT_EQ(grid->columnWidth(1), 300);
    // Showing the window again sets the value column back to 300.
    grid->setColumnWidth(1, 100);
    window.hide();
    window.show();
    EXPECT_EQ(grid->columnWidth(1), 300);
}
