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

} // namespace

// Inserting in any order gives the same result as a stable sort of the arrivals.
TEST(RowStore, MatchesAStableSortOfTheArrivals)
{
    std::mt19937 random(7);
    const std::vector<QByteArray> alphabet = {"a", "A", "b", "_", " ", "1", "9", "z", "Z", "-"};
    std::vector<Item> arrivals;
    RowStore<Item, KeyOf> store;
    for (int i = 0; i < 2000; ++i) {
        QByteArray key;
        const int length = int(random() % 4);
        for (int j = 0; j < length; ++j)
            key += alphabet[random() % alphabet.size()];
        arrivals.push_back({key, i});
        store.add({key, i});
    }
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const Item &a, const Item &b) { return Locale::wordLess(a.key, b.key); });
    const auto stored = store.toVector();
    ASSERT_EQ(stored.size(), arrivals.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].key, arrivals[i].key) << i;
        EXPECT_EQ(stored[i].arrival, arrivals[i].arrival) << i;
    }
    store.clear();
    EXPECT_TRUE(store.empty());
}
