#pragma once

#include "platform/Locale.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace rowstore {

// The first eight bytes of a key as an unsigned number whose order agrees with the locale's
// word-sort comparison: each byte is replaced by the rank of its primary weight (1 and up; 0
// pads a shorter key). Two keys with different prefixes compare like their prefixes; equal
// prefixes are decided by the full comparison. Most comparisons so stay in the store's own
// small, contiguous index instead of following the texts into the heap.
quint64 wordSortPrefix(const QByteArray &key);

} // namespace rowstore

// The row store of every collector: rows are kept sorted by their key (label or file name) with
// the locale's word-sort comparison from the moment they arrive; rows with equal keys keep the
// order in which they arrived.
//
// The rows themselves stay where they arrived; the order is an index of small sorted blocks
// (at most 2 × BlockSize entries each). A new row is placed with two binary searches and moves
// at most one block's entries, never the whole store, so module lists and directories of a
// hundred thousand entries order in a fraction of a second.
//
// KeyOf is a function object that returns the row's key as a const QByteArray reference.
template <typename Row, typename KeyOf> class RowStore final
{
public:
    static constexpr std::size_t BlockSize = 256;

    void add(Row row)
    {
        const Slot slot{rowstore::wordSortPrefix(KeyOf{}(row)), m_rows.size()};
        m_rows.push_back(std::move(row));
        insert(slot);
    }
    void clear()
    {
        m_settled = 0;
        m_rows.clear();
        m_blocks.clear();
        m_lasts.clear();
    }
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    // The rows in store order. The first call after new rows arrived puts the rows themselves
    // into that order (moving, not copying them), so readers get a plain vector without a copy.
    const std::vector<Row> &ordered() const
    {
        if (m_settled != m_rows.size())
            settle();
        return m_rows;
    }

private:
    struct Slot
    {
        quint64 prefix;
        std::size_t row;
    };

    bool less(const Slot &a, const Slot &b) const
    {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return Locale::wordCompare(KeyOf{}(m_rows[a.row]), KeyOf{}(m_rows[b.row])) < 0;
    }

    void insert(const Slot &slot)
    {
        const auto slotLess = [this](const Slot &a, const Slot &b) { return less(a, b); };
        if (m_blocks.empty()) {
            m_blocks.emplace_back().reserve(2 * BlockSize);
            m_lasts.push_back(slot);
        }
        // The first block that ends after the new row takes it (after any equal keys); a row
        // that sorts after everything goes to the end of the last block.
        auto last = std::upper_bound(m_lasts.begin(), m_lasts.end(), slot, slotLess);
        if (last == m_lasts.end())
            --last;
        const auto index = std::size_t(last - m_lasts.begin());
        std::vector<Slot> &block = m_blocks[index];
        block.insert(std::upper_bound(block.begin(), block.end(), slot, slotLess), slot);
        m_lasts[index] = block.back();

        if (block.size() < 2 * BlockSize)
            return;
        std::vector<Slot> upper;
        upper.reserve(2 * BlockSize);
        upper.assign(std::make_move_iterator(block.begin() + BlockSize), std::make_move_iterator(block.end()));
        block.resize(BlockSize);
        m_lasts[index] = block.back();
        m_lasts.insert(m_lasts.begin() + std::ptrdiff_t(index) + 1, upper.back());
        m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(index) + 1, std::move(upper));
    }

    // Moves the rows into store order; the index then lists them one after the other.
    void settle() const
    {
        std::vector<Row> sorted;
        sorted.reserve(m_rows.size());
        for (const auto &block : m_blocks)
            for (const Slot &slot : block)
                sorted.push_back(std::move(m_rows[slot.row]));
        m_rows = std::move(sorted);

        std::size_t next = 0;
        for (auto &block : m_blocks)
            for (Slot &slot : block)
                slot.row = next++;
        for (std::size_t i = 0; i < m_blocks.size(); ++i)
            m_lasts[i] = m_blocks[i].back();
        m_settled = m_rows.size();
    }

    // Reading the rows settles their order in place, hence mutable.
    mutable std::vector<Row> m_rows;                 // in arrival order until settled
    mutable std::vector<std::vector<Slot>> m_blocks; // the order, block by block
    mutable std::vector<Slot> m_lasts;               // the last slot of each block
    mutable std::size_t m_settled = 0;               // rows already in store order
};
