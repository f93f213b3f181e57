#include "client/RowStore.h"

#include <algorithm>
#include <array>

namespace {

// Rank of every byte's primary weight, derived from the comparison itself so that the prefixes
// can never disagree with it: two bytes share a weight when neither decides against the other
// before a following byte does.
std::array<quint8, 256> buildRanks()
{
    auto pair = [](int c, char next) {
        QByteArray text(2, next);
        text[0] = char(c);
        return text;
    };
    // c before d on their own weight: c followed by a later letter still sorts first.
    auto before = [&](int c, int d) { return Locale::wordCompare(pair(c, 'b'), pair(d, 'a')) < 0; };

    std::array<int, 256> bytes{};
    for (int c = 0; c < 256; ++c)
        bytes[c] = c;
    std::stable_sort(bytes.begin(), bytes.end(), before);

    std::array<quint8, 256> ranks{};
    int rank = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && before(bytes[i - 1], bytes[i]))
            ++rank;
        if (rank > 255)
            return {}; // more weights than a byte holds: no prefixes, every comparison is a full one
        ranks[bytes[i]] = quint8(rank);
    }
    return ranks;
}

} // namespace

namespace rowstore {

quint64 wordSortPrefix(const QByteArray &key)
{
    static const std::array<quint8, 256> ranks = buildRanks();
    quint64 prefix = 0;
    for (qsizetype i = 0; i < 8; ++i) {
        const quint8 rank = i < key.size() ? ranks[static_cast<unsigned char>(key[i])] : 0;
        prefix = (prefix << 8) | rank;
    }
    return prefix;
}

} // namespace rowstore
