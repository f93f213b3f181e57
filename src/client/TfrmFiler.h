#pragma once

#include "client/CollectorConnection.h"
#include "client/RowStore.h"

#include <QByteArray>

class Session;

// One entry of a listed directory. Size is empty for directories.
struct FileRow
{
    QByteArray name, size, modified, attributes;
    int kind; // 1 directory, 2 file
};

// The directory lister: lists one directory of a server volume, directories and files, into rows
// sorted by name. Each listing adds to the rows already there.
class TfrmFiler final
{
    struct NameOf
    {
        const QByteArray &operator()(const FileRow &row) const { return row.name; }
    };
    using Store = RowStore<FileRow, NameOf>;

public:
    static constexpr int KindDirectory = 1;
    static constexpr int KindFile = 2;

    explicit TfrmFiler(Session &session);
    ~TfrmFiler(); // releases the rows and the connection
    TfrmFiler(const TfrmFiler &) = delete;
    TfrmFiler &operator=(const TfrmFiler &) = delete;

    // Opens the connection to the current server; without one every listing reports its failure.
    void prepare();
    void listDirectories(const QByteArray &path, const QByteArray &pattern);
    void listFiles(const QByteArray &path, const QByteArray &pattern);

    // The rows in store order, read in place: valid while the collector lives and adds no rows.
    Store::View rows() const { return m_rows.ordered(); }

    // "[RwHSy----]" and the like, from an entry's attribute byte.
    static QByteArray attributeText(quint8 attributes);
    // "03/15/1998 14:05:08" from packed date and time words.
    static QByteArray stampText(quint16 date, quint16 time);

private:
    void list(const QByteArray &path, const QByteArray &pattern, quint8 searchAttributes, int kind);

    Session &m_session;
    CollectorConnection m_connection;
    const QByteArray m_thousands; // the locale's thousands separator, read once
    Store m_rows;
};
