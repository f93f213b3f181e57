#include "app/widgets/ResultsBox.h"

#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

ResultsBox::ResultsBox(QWidget *parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("comp21"));
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The box keeps its own light ground under any desktop palette, so that its black, blue and red
    // lines stay readable on a dark desktop too.
    QPalette colours = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, Qt::white);
        colours.setColor(group, QPalette::Text, Qt::black);
    }
    setPalette(colours);
    // The box starts with an empty line and a line holding one blank.
    appendLine(QString(), Color::Black);
    appendLine(QStringLiteral(" "), Color::Black);
}

void ResultsBox::appendLine(const QString &text, Color color)
{
    QTextCharFormat format;
    format.setForeground(colourOf(color));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!m_empty)
        cursor.insertBlock();
    m_empty = false;
    // A text ending in a line break leaves an empty line after it.
    QString body = text;
    body.replace(QLatin1Char('\r'), QString());
    const QStringList parts = body.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.insertText(parts[i], format);
    }
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QColor ResultsBox::colourOf(Color color)
{
    switch (color) {
    case Color::Blue:
        return Qt::blue;
    case Color::Red:
        // A red a little darker than pure red, which is too light on white to read easily.
        return QColor(0xD0, 0x00, 0x00);
    case Color::Black:
        break;
    }
    return Qt::black;
}

void ResultsBox::focusInEvent(QFocusEvent *event)
{
    QTextEdit::focusInEvent(event);
    viewport()->update();
}

void ResultsBox::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    viewport()->update();
}

void ResultsBox::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    if (!hasFocus())
        return;
    // A read-only box shows no caret: a dotted frame just inside it marks the focus.
    QPainter painter(viewport());
    painter.setPen(QPen(QColor(Qt::black), 1, Qt::DotLine));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
}

void ResultsBox::clear()
{
    QTextEdit::clear();
    m_empty = true;
}

QStringList ResultsBox::lines() const
{
    QStringList all;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        all.append(block.text());
    return all;
}
