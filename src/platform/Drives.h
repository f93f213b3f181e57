#pragma once

#include <QString>

// The program keeps the Windows texts of its paths ("C:\Orvane\Sorvik", "A:\"); this layer maps a
// drive letter to a host directory. SORVIK_DRIVE_C and SORVIK_DRIVE_A choose the directories;
// by default they are drive_c and drive_a under $XDG_DATA_HOME/sorvik. A: is the removable drive.
namespace Drives {

// Whether SORVIK_DRIVE_<letter> maps the drive to a directory of the user's choice.
bool isMapped(QChar letter);

// Host directory of a drive letter (upper or lower case), without a trailing separator.
QString driveRoot(QChar letter);

// Host path of a Windows path such as "C:\Orvane\Sorvik\01A2005C.DAT". A path without a drive
// letter is taken relative to drive C:'s root. ".." components never leave the drive's root.
QString hostPath(const QString &windowsPath);

// Whether the drive of a Windows path ("A:\..." or "a:") is the removable drive.
bool isRemovable(const QString &windowsPath);

} // namespace Drives
