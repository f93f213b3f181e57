#pragma once

#include "client/CollectorConnection.h"
#include "client/RowStore.h"

#include <QByteArray>

#include <array>

class Session;

// One loaded module; fields[0] is the file name ... fields[14] the module's position in its batch.
struct ModuleRow
{
    std::array<QByteArray, 15> fields;
};

// The module list collector: every loaded module of the current server, sorted by file name.
class TfrmQLM final
{
    struct FileNameOf
    {
        const QByteArray &operator()(const ModuleRow &row) const { return row.fields[0]; }
    };
    using Store = RowStore<ModuleRow, FileNameOf>;

public:
    static constexpr std::size_t FieldCount = 15;

    explicit TfrmQLM(Session &session);
    ~TfrmQLM(); // releases the rows and the connection
    TfrmQLM(const TfrmQLM &) = delete;
    TfrmQLM &operator=(const TfrmQLM &) = delete;

    void collect();
    // The rows in store order, read in place: valid while the collector lives and adds no rows.
    Store::View rows() const { return m_rows.ordered(); }

    // Field 6: the module type's name, or its signed number when the table has none.
    static QByteArray typeText(quint32 type);
    // Field 8: "R", "M", "S", "P" for the flag bits 0x01, 0x02, 0x04, 0x08.
    static QByteArray flagsText(quint32 flags);

private:
    void query();
    bool addModule(quint32 moduleNumber, quint32 position);
    void reportListFailure(qx::Code code);

    Session &m_session;
    CollectorConnection m_connection;
    const QByteArray m_thousands; // the locale's thousands separator, read once
    Store m_rows;
};
