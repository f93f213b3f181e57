#pragma once

#include "platform/ResultsSink.h"

#include <QTextStream>

// The results box of a headless run: black and blue lines to standard output, red lines to
// standard error.
class StreamResults final : public ResultsSink
{
public:
    StreamResults(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}

    void appendLine(const QString &text, Color color) override
    {
        QTextStream &stream = color == Color::Red ? m_err : m_out;
        stream << text << Qt::endl;
    }
    void clear() override {}

private:
    QTextStream &m_out;
    QTextStream &m_err;
};
