#pragma once

#include <QString>

// Starting programs the way the workstation's shell does.
namespace Shell {

// Starts a command line such as "NOTEPAD.EXE C:\Orvane\Sorvik\01A2005C.DAT" and returns a number
// above 31 when the program was started, otherwise an error number: 2 when the program cannot be
// found, 11 when it exists but cannot be run.
//
// The program name NOTEPAD.EXE stands for the plain-text editor: the program named by
// SORVIK_TEXT_EDITOR when set, else the desktop's default application for plain text, else xdg-open
// (the desktop's default handler for the file). The rest of the command line is one Windows path,
// mapped to its host path through the drives layer; an empty rest starts the editor without a file.
int startProgram(const QString &commandLine);

// The program SORVIK_TEXT_EDITOR names; empty when the variable is not set.
QString chosenTextEditor();

} // namespace Shell
