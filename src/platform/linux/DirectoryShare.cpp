#include "platform/DirectoryShare.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// An open directory holds its lock until it is closed, so a run that is killed lets go at once.
DirectoryShare::DirectoryShare(const QString &hostDirectory)
{
    m_handle = ::open(QFile::encodeName(hostDirectory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

DirectoryShare::~DirectoryShare()
{
    if (m_handle >= 0)
        ::close(m_handle);
}

bool DirectoryShare::tryAlone()
{
    return m_handle >= 0 && ::flock(m_handle, LOCK_EX | LOCK_NB) == 0;
}

void DirectoryShare::share()
{
    if (m_handle < 0)
        return;
    while (::flock(m_handle, LOCK_SH) != 0 && errno == EINTR) {
    }
}
