#pragma once

#include <QString>
#include <QtGlobal>

// Runs of the program that write into one directory at the same time (two sends copying onto one
// removable disk) hold it shared while they have files in the making there; a run that finds no
// other may tidy away what runs killed earlier left there, since none of it can be in use. Only the
// directory itself is locked: nothing is left on the medium for it. A directory that cannot be
// locked (a network file system that refuses) never counts as held alone, so nothing is tidied there.
class DirectoryShare final
{
public:
    explicit DirectoryShare(const QString &hostDirectory);
    ~DirectoryShare();
    Q_DISABLE_COPY_MOVE(DirectoryShare)

    // Holds the directory alone, without waiting; false when another run holds it in any way.
    bool tryAlone();
    // Holds it shared with the other runs from now on, waiting while one of them holds it alone.
    void share();

private:
    int m_handle = -1;
};
