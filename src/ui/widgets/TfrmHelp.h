#pragma once

#include <QWidget>

class QTextEdit;

// The help window: one read-only box with the fixed help text.
class TfrmHelp final : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmHelp(QWidget *parent = nullptr);

    // Puts the caret at the very beginning, so the text shows from its first line.
    void moveCaretToStart();
    QTextEdit *textBox() const { return m_edtHelp; }

protected:
    // Each showing is centred on the screen, frame included.
    void showEvent(QShowEvent *event) override;

private:
    // The text box, in the colours of a tooltip, filling the window.
    void buildUi();
    // Escape closes the window.
    void wireHandlers();

    QTextEdit *m_edtHelp;
};
