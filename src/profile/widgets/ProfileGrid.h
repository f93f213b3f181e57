#pragma once

#include <QPointer>
#include <QTableWidget>

class QLineEdit;

// The profile window's string grid: row 0 and column 0 are fixed (labels, never edited), the value
// column keeps its cell editor open, Tab moves from cell to cell, and the user sizes a column by
// dragging its edge in the fixed row. It tells its window after every mouse press and key release,
// when it has already moved its current cell, and of Escape.
class ProfileGrid final : public QTableWidget
{
    Q_OBJECT

public:
    ProfileGrid(int rows, int columns, QWidget *parent = nullptr);

    // Puts text into a cell; row 0 and column 0 become fixed cells.
    void setCellText(int row, int column, const QString &text);
    QString cellText(int row, int column) const;

    // Writes an open cell editor's text into its cell.
    void commitOpenEditor();
    // Closes an open cell editor, dropping what it holds.
    void discardOpenEditor();
    // Opens the current cell's editor unless it is open already.
    void editCurrentCell();
    bool isEditing() const { return openEditor() != nullptr; }
    // Puts the cell's own text back into its open editor when the user has changed it there; returns
    // whether there was such an edit.
    bool cancelOpenEdit();
    // Opens the current cell's editor again if it was closed, with the caret after its text and
    // nothing selected, so that the next key adds to the text.
    void resumeEditing();

Q_SIGNALS:
    void mousePressed();
    void keyReleased();
    // Escape in the grid, or in a cell editor that holds no edit to take back.
    void escapePressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The column whose right edge lies under x in the fixed row, -1 when none.
    int columnEdgeAt(const QPoint &position) const;
    QWidget *openEditor() const;

    int m_sizedColumn = -1;
    int m_sizeStartX = 0;
    int m_sizeStartWidth = 0;
};
