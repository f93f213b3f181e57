#pragma once

#include "client/CollectorConnection.h"
#include "client/RowStore.h"

#include <QByteArray>

#include <vector>

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
public:
    explicit TfrmGeneral(Session &session);
    ~TfrmGeneral(); // releases the connection
    TfrmGeneral(const TfrmGeneral &) = delete;
    TfrmGeneral &operator=(const TfrmGeneral &) = delete;

    void collect();
    const std::vector<GeneralRow> &rows() const { return m_rows.ordered(); }

private:
    struct LabelOf
    {
        const QByteArray &operator()(const GeneralRow &row) const { return row.label; }
    };

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
    RowStore<GeneralRow, LabelOf> m_rows;
};
