#pragma once

#include "platform/Interaction.h"

#include <QStringList>
#include <QWidget>

class ProfileGrid;
class QComboBox;
class QLabel;
class QPushButton;

// The contact profile window: a two-column grid of the 16 profile fields, loaded from the store every
// time the window is shown and written back only by "Save Profile" once every required field is
// filled. A country selector appears over the Country cell; leaving that cell checks its text.
class TfrmProfile final : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmProfile(Interaction &interaction, QWidget *parent = nullptr);

    void FormShow();
    void btnSaveClick();
    void Button2Click();
    void StringGrid1MouseDown();
    void StringGrid1KeyUp();
    void ComboBox1Click();

protected:
    void showEvent(QShowEvent *event) override;
    // With unsaved edits, asks before it lets them go.
    void closeEvent(QCloseEvent *event) override;

private:
    // The window's parts, each built with its controls, and the handlers wired to them.
    void buildGrid();
    void buildCountrySelector();
    void buildButtons();
    void layOut();
    void wireHandlers();

    // The selector over the Country cell while it is current, else the check of the Country text.
    void countrySelectorAndCheck();
    // The check of the Country text: a text that is not in the list becomes the default country,
    // with a warning. Returns whether it replaced the text.
    bool checkCountry();
    // Puts a country into the Country cell; the cell editor under the selector would write its
    // older text back on closing, so it is closed first.
    void putCountry(const QString &text);
    // Leaves the selector for the value cell below (or above) the Country cell.
    void leaveSelector(int rowStep);
    void selectorEscaped();
    // The values of the stored fields as the grid shows them.
    QStringList shownValues() const;
    // A box over the window that leaves an open cell editor as the user had it.
    Interaction::Answer message(const QString &caption, const QString &text, Interaction::Icon icon,
                                Interaction::Buttons buttons);

    Interaction &m_interaction;
    const int m_countryRow; // grid row of the Country field; its value sits in column 1
    QLabel *m_heading;
    ProfileGrid *m_grid;
    QComboBox *m_countries;
    QPushButton *m_save;
    QPushButton *m_cancel;
    // What the store held at the last showing or saving, in the order of shownValues().
    QStringList m_savedValues;
    // The Country text when the selector appeared, for Escape to put back.
    QString m_countryBefore;
};
