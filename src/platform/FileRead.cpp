#include "platform/FileRead.h"

ReadOnlyFile::~ReadOnlyFile()
{
    close();
}

QDateTime ReadOnlyFile::lastModified() const
{
    return QDateTime::fromMSecsSinceEpoch(m_modifiedSeconds * 1000 + m_modifiedNanoseconds / 1000000);
}
