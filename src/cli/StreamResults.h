#pragma once

#include "platform/ResultsSink.h"

#include <functional>

// The results box of a headless run: every line, whatever its colour, goes to one printer, so the
// lines of a server stay together and in order.
class StreamResults final : public ResultsSink
{
public:
    using Printer = std::function<void(const QString &text, Color color)>;
    explicit StreamResults(Printer printer) : m_printer(std::move(printer)) {}

    void appendLine(const QString &text, Color color) override { m_printer(text, color); }
    void clear() override {}

private:
    Printer m_printer;
};
