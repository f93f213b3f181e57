#pragma once

#include <QString>
#include <QtGlobal>

// Which file or directory a path reaches, by the file system's own identity (device and inode):
// two spellings of one place (a link, "..", a bind mount) have the same identity.
namespace FileIdentity {

struct Id
{
    quint64 device = 0;
    quint64 inode = 0;
    bool exists = false;

    friend bool operator==(const Id &a, const Id &b)
    {
        return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
    }
};

// The identity of what the path reaches, links followed; `exists` is false when it reaches nothing.
Id of(const QString &hostPath);

// Whether `inner` is `outer` or lies anywhere inside it, however either is spelled. A path that does
// not exist yet is judged by the nearest of its folders that does.
bool within(const QString &inner, const QString &outer);

} // namespace FileIdentity
