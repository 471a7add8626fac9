#include "core/verifiable/DrawKey.h"
#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/ParticipantArray.h"
#include "platform/chance/ExcludedRanks.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

// Every participant who may win a pick is equally likely to, over many keys. The keys are fixed, so these tests
// give the same result on every run; the bounds are chi-square's critical values at p = 0.001.
namespace {

using verifiable::KeyedDraw;
using verifiable::ParticipantArray;
using verifiable::Pick;

QByteArray key(int k) {
    return QCryptographicHash::hash(QByteArray::number(k), QCryptographicHash::Sha256);
}

ParticipantArray numbered(int count) {
    ParticipantArray list;
    for (int id = 1; id <= count; ++id)
        list.add(id * 10, "D" + std::to_string(id));
    return list;
}

template <typename Key> double chiSquare(const std::map<Key, int>& counts, std::size_t bins, double expected) {
    double sum = 0;
    for (const auto& entry : counts)
        sum += (entry.second - expected) * (entry.second - expected) / expected;
    // Bins never hit count too.
    sum += static_cast<double>(bins - counts.size()) * expected;
    return sum;
}

TEST(KeyedChance, TheFirstPickIsUniformOverEveryone) {
    const ParticipantArray list = numbered(12);
    constexpr int kKeys = 24000;
    std::map<std::int64_t, int> wins;
    for (int k = 0; k < kKeys; ++k)
        ++wins[KeyedDraw(list, {{1, "Motor", 1, 1}}, false, key(k)).nextPickFor(1).id];
    EXPECT_EQ(wins.size(), 12u);
    EXPECT_LT(chiSquare(wins, 12, kKeys / 12.0), 31.26); // 11 degrees of freedom
}

// Three picked for the first prize, with R: the next pick is uniform over the nine left, and never one of the three.
TEST(KeyedChance, APickAfterExclusionsIsUniformOverThoseLeft) {
    const ParticipantArray list = numbered(12);
    constexpr int kKeys = 18000;
    std::map<std::uint64_t, int> ranks;
    for (int k = 0; k < kKeys; ++k) {
        KeyedDraw draw(list, {{1, "TV", 3, 3}, {2, "Voucher", 1, 1}}, true, key(k));
        std::set<std::int64_t> first;
        for (const Pick& pick : draw.drawRound({1, 3}))
            first.insert(pick.id);
        const Pick next = draw.nextPickFor(2);
        ASSERT_EQ(next.n, 9u);
        ASSERT_FALSE(first.count(next.id)) << "key " << k;
        ++ranks[next.rank];
    }
    EXPECT_EQ(ranks.size(), 9u);
    EXPECT_LT(chiSquare(ranks, 9, kKeys / 9.0), 26.12); // 8 degrees of freedom
}

// The same with the participants left out fixed, counted by participant: the walk past those left out must not
// favour the ones standing right after them.
TEST(KeyedChance, EachParticipantLeftIsAsLikely) {
    chance::ExcludedRanks left(12);
    for (const std::size_t rank : {0, 3, 4, 11})
        left.remove(rank);
    constexpr int kKeys = 16000;
    std::map<std::uint64_t, int> wins;
    for (int k = 0; k < kKeys; ++k) {
        const std::uint64_t rank = verifiable::keyedRank(key(k), 5, left.count()).rank;
        ++wins[left.at(static_cast<std::size_t>(rank))];
    }
    for (const std::uint64_t excluded : {0, 3, 4, 11})
        EXPECT_EQ(wins.count(excluded), 0u);
    EXPECT_EQ(wins.size(), 8u);
    EXPECT_LT(chiSquare(wins, 8, kKeys / 8.0), 24.32); // 7 degrees of freedom
}

// For n = 3 * 2^62, taking x mod n without refusing the top of the range would make the lowest third of the
// ranks twice as likely as either other third.
TEST(KeyedChance, HighRanksAreAsLikelyAsLowOnes) {
    const std::uint64_t n = 3 * (std::uint64_t{1} << 62);
    constexpr int kDraws = 6000;
    std::map<int, int> thirds;
    int refused = 0;
    for (int at = 0; at < kDraws; ++at) {
        const verifiable::KeyedRank got =
            verifiable::keyedRank(key(at % 60), static_cast<std::uint64_t>(at / 60 + 1), n);
        ASSERT_LT(got.rank, n);
        ++thirds[static_cast<int>(got.rank / (std::uint64_t{1} << 62))];
        refused += static_cast<int>(got.counter);
    }
    EXPECT_LT(chiSquare(thirds, 3, kDraws / 3.0), 13.82); // 2 degrees of freedom
    // A quarter of all values of x is refused: about 2,000 refusals for 6,000 picks.
    EXPECT_GT(refused, 1500);
    EXPECT_LT(refused, 2500);
}

} // namespace
