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
// The scan handles pending events between rows, so no single step of the store may grow with the
// number of rows: with 10,000 modules or a directory of 65,535 entries a step that touched every
// row would keep Abort waiting. Hence:
// - the rows stay where they arrived, in chunks of ChunkRows that are never moved or reallocated;
// - the order is an index of small sorted blocks (at most 2 × BlockSize entries each): a new row
//   is placed with two binary searches and moves at most one block's entries;
// - readers walk the index (ordered()), nothing is copied or rearranged to read;
// - release() frees the rows a chunk at a time and lets the caller handle events in between.
//
// KeyOf is a function object that returns the row's key as a const QByteArray reference.
template <typename Row, typename KeyOf> class RowStore final
{
    struct Slot
    {
        quint64 prefix;
        std::size_t row;
    };

public:
    static constexpr std::size_t BlockSize = 256;
    static constexpr std::size_t ChunkRows = 256;

    RowStore() = default;
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;

    void add(Row row)
    {
        const Slot slot{rowstore::wordSortPrefix(KeyOf{}(row)), m_size};
        if (m_chunks.empty() || m_chunks.back().size() == ChunkRows)
            m_chunks.emplace_back().reserve(ChunkRows);
        m_chunks.back().push_back(std::move(row));
        ++m_size;
        insert(slot);
    }

    // Drops every row at once; release() does the same in steps.
    void clear()
    {
        m_blocks.clear();
        m_lasts.clear();
        m_chunks.clear();
        m_size = 0;
    }

    // Drops every row, one chunk at a time, calling betweenChunks() after each chunk that leaves
    // rows behind; a store of up to one chunk is released without a call.
    template <typename BetweenChunks> void release(BetweenChunks betweenChunks)
    {
        m_blocks.clear();
        m_lasts.clear();
        m_size = 0;
        while (!m_chunks.empty()) {
            m_chunks.pop_back();
            if (!m_chunks.empty())
                betweenChunks();
        }
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    // The rows in store order, read in place. Adding rows invalidates the iterators.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Row;
        using difference_type = std::ptrdiff_t;
        using pointer = const Row *;
        using reference = const Row &;

        const_iterator() = default;
        reference operator*() const { return m_store->rowAt((*m_block)[m_index].row); }
        pointer operator->() const { return &**this; }
        const_iterator &operator++()
        {
            if (++m_index == m_block->size()) {
                ++m_block;
                m_index = 0;
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator &other) const
        {
            return m_block == other.m_block && m_index == other.m_index;
        }

    private:
        friend class RowStore;
        using BlockIterator = typename std::vector<std::vector<Slot>>::const_iterator;
        const_iterator(const RowStore *store, BlockIterator block) : m_store(store), m_block(block) {}

        const RowStore *m_store = nullptr;
        BlockIterator m_block{};
        std::size_t m_index = 0;
    };

    class View
    {
    public:
        const_iterator begin() const { return {m_store, m_store->m_blocks.begin()}; }
        const_iterator end() const { return {m_store, m_store->m_blocks.end()}; }
        std::size_t size() const { return m_store->size(); }
        bool empty() const { return m_store->empty(); }

    private:
        friend class RowStore;
        explicit View(const RowStore *store) : m_store(store) {}
        const RowStore *m_store;
    };

    View ordered() const { return View(this); }

private:
    const Row &rowAt(std::size_t row) const { return m_chunks[row / ChunkRows][row % ChunkRows]; }

    bool less(const Slot &a, const Slot &b) const
    {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return Locale::wordCompare(KeyOf{}(rowAt(a.row)), KeyOf{}(rowAt(b.row))) < 0;
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
        upper.assign(block.begin() + BlockSize, block.end());
        block.resize(BlockSize);
        m_lasts[index] = block.back();
        m_lasts.insert(m_lasts.begin() + std::ptrdiff_t(index) + 1, upper.back());
        m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(index) + 1, std::move(upper));
    }

    std::vector<std::vector<Row>> m_chunks;  // the rows in arrival order, ChunkRows per chunk
    std::vector<std::vector<Slot>> m_blocks; // the order, block by block
    std::vector<Slot> m_lasts;               // the last slot of each block
    std::size_t m_size = 0;
};
