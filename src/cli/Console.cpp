#include "cli/Console.h"

Console::Console(QTextStream &out, QTextStream &err, const QString &command)
    : m_out(out), m_err(err), m_command(command), m_results(out, err), m_interaction(err),
      m_progress(err, &err == &out ? false : Terminal::isTerminal(2))
{
}

void Console::error(const QString &text)
{
    m_err << "sorvik " << m_command << ": " << text << Qt::endl;
}
