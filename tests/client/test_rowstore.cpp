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

void expectStableSortOf(std::vector<Item> arrivals, const std::vector<Item> &stored)
{
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Item &a, const Item &b) { return Locale::wordLess(a.key, b.key); });
    ASSERT_EQ(stored.size(), arrivals.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        ASSERT_EQ(stored[i].key, arrivals[i].key) << i;
        ASSERT_EQ(stored[i].arrival, arrivals[i].arrival) << i;
    }
}

} // namespace

// Whatever the arrival order, the store holds what a stable sort of the arrivals gives: keys in
// word-sort order, equal keys in arrival order. Many equal keys and more rows than one block
// holds exercise the block splits; reading in between must not disturb later additions.
TEST(RowStore, MatchesAStableSortOfTheArrivals)
{
    std::mt19937 random(7);
    const std::vector<QByteArray> alphabet = {"a", "A", "b", "_", " ", "1", "9", "z", "Z", "-", "\xE9", "\xC9"};
    std::vector<Item> arrivals;
    RowStore<Item, KeyOf> store;
    for (int i = 0; i < 3000; ++i) {
        QByteArray key;
        const int length = int(random() % 12);
        for (int j = 0; j < length; ++j)
            key += alphabet[random() % alphabet.size()];
        arrivals.push_back({key, i});
        store.add({key, i});
        if (i % 700 == 0)
            expectStableSortOf(arrivals, store.ordered());
    }
    expectStableSortOf(arrivals, store.ordered());
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_TRUE(store.ordered().empty());
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
