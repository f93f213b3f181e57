#pragma once

#include "platform/ResultsSink.h"

#include <QTextEdit>

// The main window's results box: read-only plain text whose lines are only ever appended, in
// black, blue or red.
class ResultsBox final : public QTextEdit, public ResultsSink
{
    Q_OBJECT

public:
    explicit ResultsBox(QWidget *parent = nullptr);

    void appendLine(const QString &text, Color color) override;
    void clear() override;

    // The lines as shown, for tests.
    QStringList lines() const;
    // The text colour of each kind of line; the box's ground is white.
    static QColor colourOf(Color color);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_empty = true;
};
