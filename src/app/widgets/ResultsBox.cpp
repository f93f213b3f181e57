#include "app/widgets/ResultsBox.h"

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
    // The box starts with an empty line and a line holding one blank.
    appendLine(QString(), Color::Black);
    appendLine(QStringLiteral(" "), Color::Black);
}

void ResultsBox::appendLine(const QString &text, Color color)
{
    QTextCharFormat format;
    switch (color) {
    case Color::Black:
        format.setForeground(Qt::black);
        break;
    case Color::Blue:
        format.setForeground(Qt::blue);
        break;
    case Color::Red:
        format.setForeground(Qt::red);
        break;
    }
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
