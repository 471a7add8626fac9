#include "platform/chance/ExcludedRanks.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <vector>

namespace {

// The ranks still in, ascending, as the set kept beside the structure says they are.
std::vector<std::size_t> expectedIn(std::size_t n, const std::set<std::size_t>& out) {
    std::vector<std::size_t> in;
    for (std::size_t rank = 0; rank < n; ++rank)
        if (!out.count(rank)) in.push_back(rank);
    return in;
}

void expectSame(const chance::ExcludedRanks& ranks, std::size_t n, const std::set<std::size_t>& out) {
    const std::vector<std::size_t> in = expectedIn(n, out);
    ASSERT_EQ(ranks.count(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(ranks.at(i), in[i]) << "i " << i;
    for (std::size_t rank = 0; rank < n + 2; ++rank)
        ASSERT_EQ(ranks.contains(rank), rank < n && !out.count(rank)) << "rank " << rank;
}

// Ranks left out and taken back in any order, repeats and ranks out of range included: the i-th rank still in is
// always the i-th of the plain list, at the edges (rank 0, rank n-1, runs of neighbours) as in the middle.
TEST(ExcludedRanks, AgreesWithAPlainListThroughRemovalsAndRestores) {
    for (std::size_t n : {1u, 2u, 7u, 64u, 300u}) {
        std::mt19937_64 chance(n);
        chance::ExcludedRanks ranks(n);
        std::set<std::size_t> out;
        expectSame(ranks, n, out);
        for (int step = 0; step < 600; ++step) {
            const std::size_t rank = chance() % (n + 3); // now and then beyond the last rank
            if (chance() % 3 == 0) {
                ranks.restore(rank);
                out.erase(rank);
            } else {
                ranks.remove(rank);
                if (rank < n) out.insert(rank);
            }
            expectSame(ranks, n, out);
        }
        ranks.reset(n);
        expectSame(ranks, n, {});
    }
}

TEST(ExcludedRanks, AssignSortsAndDropsRepeatsAndRanksOutOfRange) {
    chance::ExcludedRanks ranks;
    ranks.assign(10, {9, 3, 3, 0, 12, 4});
    EXPECT_EQ(ranks.leftOut(), (std::vector<std::uint32_t>{0, 3, 4, 9}));
    expectSame(ranks, 10, {0, 3, 4, 9});
    ranks.assign(4, {0, 1, 2, 3});
    EXPECT_EQ(ranks.count(), 0u);
}

} // namespace
