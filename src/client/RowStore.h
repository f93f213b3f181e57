#pragma once

#include "platform/Locale.h"

#include <QByteArray>

#include <cstddef>
#include <set>
#include <utility>
#include <vector>

// The row store of every collector: rows are kept sorted by their key (label or file name) with
// the locale's word-sort comparison from the moment they arrive. Each row is placed in O(log n)
// comparisons without moving the others, so long module lists and large directories stay fast;
// rows with equal keys keep the order in which they arrived.
//
// KeyOf is a function object that returns the row's key as a const QByteArray reference.
template <typename Row, typename KeyOf> class RowStore final
{
public:
    void add(Row row) { m_rows.insert(std::move(row)); } // after any equal keys
    void clear() { m_rows.clear(); }
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    auto begin() const { return m_rows.cbegin(); }
    auto end() const { return m_rows.cend(); }

    // The rows in store order, copied once for a reader (the texts are shared, not duplicated).
    std::vector<Row> toVector() const { return std::vector<Row>(m_rows.begin(), m_rows.end()); }

private:
    struct Less
    {
        bool operator()(const Row &a, const Row &b) const { return Locale::wordCompare(KeyOf{}(a), KeyOf{}(b)) < 0; }
    };
    std::multiset<Row, Less> m_rows;
};
