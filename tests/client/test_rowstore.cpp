#include "client/RowStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Item
{
    QByteArray key;
    int arrival;
};
struct KeyOf
{
    const QByteArray &operator()(const Item &item) const { return item.key; }
};

using Store = RowStore<Item, KeyOf>;

void expectStableSortOf(std::vector<Item> arrivals, const Store &store)
{
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Item &a, const Item &b) { return Locale::wordLess(a.key, b.key); });
    ASSERT_EQ(store.size(), arrivals.size());
    std::size_t i = 0;
    for (const Item &stored : store.ordered()) {
        ASSERT_LT(i, arrivals.size());
        ASSERT_EQ(stored.key, arrivals[i].key) << i;
        ASSERT_EQ(stored.arrival, arrivals[i].arrival) << i;
        ++i;
    }
    ASSERT_EQ(i, arrivals.size());
}

// A row that counts how many rows are alive.
struct Counted
{
    explicit Counted(int n) : key(QByteArray::number(n)) { ++alive; }
    Counted(Counted &&other) noexcept : key(std::move(other.key)) { ++alive; }
    Counted(const Counted &) = delete;
    ~Counted() { --alive; }
    QByteArray key;
    static inline int alive = 0;
};
struct CountedKey
{
    const QByteArray &operator()(const Counted &row) const { return row.key; }
};

} // namespace

// Whatever the arrival order, the store holds what a stable sort of the arrivals gives: keys in
// word-sort order, equal keys in arrival order. Many equal keys and more rows than one block
// holds exercise the block splits; reading in between must not disturb later additions.
TEST(RowStore, MatchesAStableSortOfTheArrivals)
{
    std::mt19937 random(7);
    const std::vector<QByteArray> alphabet = {"a", "A", "b", "_", " ", "1", "9", "z", "Z", "-", "\xE9", "\xC9"};
    std::vector<Item> arrivals;
    Store store;
    for (int i = 0; i < 3000; ++i) {
        QByteArray key;
        const int length = int(random() % 12);
        for (int j = 0; j < length; ++j)
            key += alphabet[random() % alphabet.size()];
        arrivals.push_back({key, i});
        store.add({key, i});
        if (i % 700 == 0)
            expectStableSortOf(arrivals, store);
    }
    expectStableSortOf(arrivals, store);
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_TRUE(store.ordered().empty());
}

// Rows are freed a chunk at a time with a call in between, so the caller can handle events while
// a large store goes; a store of one chunk goes without a call.
TEST(RowStore, ReleasesItsRowsAChunkAtATime)
{
    using CountedStore = RowStore<Counted, CountedKey>;
    constexpr int Rows = int(CountedStore::ChunkRows) * 3 + 10;
    {
        CountedStore store;
        for (int i = 0; i < Rows; ++i)
            store.add(Counted(i));
        ASSERT_EQ(Counted::alive, Rows);
        std::vector<int> aliveAtCalls;
        store.release([&] {
            aliveAtCalls.push_back(Counted::alive);
            EXPECT_EQ(store.ordered().begin(), store.ordered().end());
        });
        // The last chunk (the 10 rows that arrived last) goes first, then whole chunks.
        const int chunk = int(CountedStore::ChunkRows);
        EXPECT_EQ(aliveAtCalls, (std::vector<int>{3 * chunk, 2 * chunk, chunk}));
        EXPECT_EQ(Counted::alive, 0);
        EXPECT_TRUE(store.empty());

        store.add(Counted(1));
        int calls = 0;
        store.release([&] { ++calls; });
        EXPECT_EQ(calls, 0);
    }
    EXPECT_EQ(Counted::alive, 0);
}

// The eight-byte prefixes never contradict the full comparison.
TEST(RowStore, PrefixesAgreeWithTheWordSortComparison)
{
    const std::vector<QByteArray> keys = {"",         "a",         "A",         "ab",        "a b",      "a-b",
                                          "a1",       "_",         " ",         "9",         "z",        "ABCDEFGH",
                                          "abcdefgh", "abcdefghi", "ABCDEFGHI", "abcdefgH1", "\xE9",     "\xC9",
                                          "\x7F",     "~",         "0000000",   "00000000",  "000000000"};
    for (const QByteArray &a : keys) {
        for (const QByteArray &b : keys) {
            const quint64 pa = rowstore::wordSortPrefix(a);
            const quint64 pb = rowstore::wordSortPrefix(b);
            if (pa < pb)
                EXPECT_LT(Locale::wordCompare(a, b), 0) << a.toStdString() << " | " << b.toStdString();
            if (Locale::wordCompare(a, b) < 0)
                EXPECT_LE(pa, pb) << a.toStdString() << " | " << b.toStdString();
        }
    }
}
