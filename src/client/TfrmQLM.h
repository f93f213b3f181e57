#pragma once

#include "client/CollectorConnection.h"
#include "client/RowStore.h"

#include <QByteArray>

#include <array>

class Session;

// One loaded module: its columns as the collector fills them from the module record.
struct ModuleRow
{
    // Version is "major.minor", Date "month/day/year"; Type and Flags are TfrmQLM::typeText and flagsText;
    // BytesAvailable, FreeCount and LastCollection are grouped with the locale's thousands separator;
    // Position is the module's place in its batch of the loaded list.
    enum Column : std::size_t
    {
        FileName,
        Version,
        Date,
        Id,
        ParentId,
        Type,
        Description,
        Flags,
        BytesAvailable,
        FreeCount,
        LastCollection,
        Language,
        Publics,
        Copyright,
        Position,
    };
    static constexpr std::size_t ColumnCount = Position + 1;

    std::array<QByteArray, ColumnCount> fields;

    const QByteArray &fileName() const { return fields[FileName]; }
    const QByteArray &version() const { return fields[Version]; }
    const QByteArray &date() const { return fields[Date]; }
    const QByteArray &id() const { return fields[Id]; }
    const QByteArray &parentId() const { return fields[ParentId]; }
    const QByteArray &type() const { return fields[Type]; }
    const QByteArray &description() const { return fields[Description]; }
    const QByteArray &flags() const { return fields[Flags]; }
    const QByteArray &bytesAvailable() const { return fields[BytesAvailable]; }
    const QByteArray &freeCount() const { return fields[FreeCount]; }
    const QByteArray &lastCollection() const { return fields[LastCollection]; }
    const QByteArray &language() const { return fields[Language]; }
    const QByteArray &publics() const { return fields[Publics]; }
    const QByteArray &copyright() const { return fields[Copyright]; }
    const QByteArray &position() const { return fields[Position]; }
};

// The module list collector: every loaded module of the current server, sorted by file name.
class TfrmQLM final
{
    struct FileNameOf
    {
        const QByteArray &operator()(const ModuleRow &row) const { return row.fileName(); }
    };
    using Store = RowStore<ModuleRow, FileNameOf>;

public:
    explicit TfrmQLM(Session &session);
    ~TfrmQLM(); // releases the rows and the connection
    TfrmQLM(const TfrmQLM &) = delete;
    TfrmQLM &operator=(const TfrmQLM &) = delete;

    void collect();
    // The rows in store order, read in place: valid while the collector lives and adds no rows.
    Store::View rows() const { return m_rows.ordered(); }

    // The Type column: the module type's name, or its signed number when the table has none.
    static QByteArray typeText(quint32 type);
    // The Flags column: "R", "M", "S", "P" for the flag bits 0x01, 0x02, 0x04, 0x08.
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
