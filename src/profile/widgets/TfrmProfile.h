#pragma once

#include <QWidget>

class Interaction;
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
    // Escape is Cancel.
    void keyPressEvent(QKeyEvent *event) override;

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

    Interaction &m_interaction;
    const int m_countryRow; // grid row of the Country field; its value sits in column 1
    QLabel *m_heading;
    ProfileGrid *m_grid;
    QComboBox *m_countries;
    QPushButton *m_save;
    QPushButton *m_cancel;
};
