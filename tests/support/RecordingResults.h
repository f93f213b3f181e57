#pragma once

#include "platform/ResultsSink.h"

#include <QStringList>

#include <vector>

// Test double of the results box.
class RecordingResults final : public ResultsSink
{
public:
    struct Line
    {
        QString text;
        Color color;
    };
    void appendLine(const QString &text, Color color) override { lines.push_back({text, color}); }
    void clear() override { lines.clear(); }

    QStringList texts() const
    {
        QStringList all;
        for (const Line &l : lines)
            all.append(l.text);
        return all;
    }
    QStringList redTexts() const
    {
        QStringList red;
        for (const Line &l : lines)
            if (l.color == Color::Red)
                red.append(l.text);
        return red;
    }

    std::vector<Line> lines;
};
