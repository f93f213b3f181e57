#pragma once

#include "client/CollectorConnection.h"
#include "client/RowStore.h"

#include <QByteArray>

class Session;

// One name/value row of the "GENERAL REPORT" section; texts are Windows-1252 bytes.
struct GeneralRow
{
    QByteArray label;
    QByteArray value;
};

// The general information collector: asks the current server a fixed series of questions and
// keeps the answers as rows sorted by label. A query that fails leaves its rows out.
class TfrmGeneral final
{
    struct LabelOf
    {
        const QByteArray &operator()(const GeneralRow &row) const { return row.label; }
    };
    using Store = RowStore<GeneralRow, LabelOf>;

public:
    explicit TfrmGeneral(Session &session);
    ~TfrmGeneral(); // releases the connection
    TfrmGeneral(const TfrmGeneral &) = delete;
    TfrmGeneral &operator=(const TfrmGeneral &) = delete;

    void collect();
    // The rows in store order, read in place: valid while the collector lives and adds no rows.
    Store::View rows() const { return m_rows.ordered(); }

private:
    void addRow(const char *label, const QByteArray &value);
    void querySeries();
    void addOsVersionRows(const qx::OsVersionRecord &info);
    void addVolumeCount();
    void addFileServerInformation();
    void addParentTree();
    void addFlagsAndClock();
    void addDescriptionAndMemory();
    void addLanguages();
    void addServerCounters();
    void addTransportAddress();

    Session &m_session;
    CollectorConnection m_connection;
    const QByteArray m_thousands; // the locale's thousands separator, read once
    Store m_rows;
};
