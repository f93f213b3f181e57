#pragma once

#include <QList>
#include <QString>

// The results box: lines are only ever appended, in black, blue or red.
class ResultsSink
{
public:
    enum class Color
    {
        Black,
        Blue,
        Red
    };

    virtual ~ResultsSink() = default;
    virtual void appendLine(const QString &text, Color color) = 0;
    virtual void clear() = 0;
};

// Holds lines for a results box that does not exist yet, and passes them on once it does.
class HeldResults final : public ResultsSink
{
public:
    void appendLine(const QString &text, Color color) override { m_lines.append({text, color}); }
    void clear() override { m_lines.clear(); }

    void passOn(ResultsSink &results) const
    {
        for (const Line &line : m_lines)
            results.appendLine(line.text, line.color);
    }

private:
    struct Line
    {
        QString text;
        Color color;
    };
    QList<Line> m_lines;
};
