#pragma once

#include <QString>

// Starting programs the way the workstation's shell does.
namespace Shell {

// Starts a command line such as "NOTEPAD.EXE C:\Orvane\Sorvik\01A2005C.DAT" and returns a number
// above 31 when the program was started, otherwise an error number: 2 when the program cannot be
// found, 11 when it exists but cannot be run.
//
// The program name NOTEPAD.EXE stands for the desktop's plain-text editor: the program named by
// SORVIK_TEXT_EDITOR when set, else the first of the usual desktop editors found on the PATH
// (gnome-text-editor, gedit, kate, kwrite, mousepad, xed, pluma, leafpad), else xdg-open. The rest of
// the command line is one Windows path, mapped to its host path through the drives layer; an
// empty rest starts the editor without a file.
int startProgram(const QString &commandLine);

} // namespace Shell
