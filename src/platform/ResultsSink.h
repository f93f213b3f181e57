#pragma once

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
