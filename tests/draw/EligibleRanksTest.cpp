#include "platform/chance/ExcludedRanks.h"
#include "platform/chance/TickRandom.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <vector>

namespace {

std::set<std::size_t> eligibleOf(const chance::ExcludedRanks& ranks) {
    std::set<std::size_t> out;
    for (std::size_t i = 0; i < ranks.count(); ++i)
        out.insert(ranks.at(i));
    return out;
}

struct RemovalCase {
    const char* name;
    std::size_t n;
    std::vector<std::size_t> removed; // in this order, repeats and ranks out of range included
    std::set<std::size_t> left;
};

// A failure names the case, not its bytes.
void PrintTo(const RemovalCase& c, std::ostream* out) {
    *out << c.name;
}

class EligibleRanksRemoval : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(EligibleRanksRemoval, LeavesExactlyTheOthers) {
    const RemovalCase& c = GetParam();
    chance::ExcludedRanks ranks(c.n);
    for (std::size_t rank : c.removed)
        ranks.remove(rank);
    EXPECT_EQ(ranks.count(), c.left.size());
    EXPECT_EQ(eligibleOf(ranks), c.left);
    for (std::size_t i = 1; i < ranks.count(); ++i)
        EXPECT_LT(ranks.at(i - 1), ranks.at(i)) << "in ascending order";
    for (std::size_t rank = 0; rank < c.n + 2; ++rank)
        EXPECT_EQ(ranks.contains(rank), c.left.count(rank) == 1) << "rank " << rank;
    ranks.reset(c.n);
    EXPECT_EQ(ranks.count(), c.n);
}

const RemovalCase removalCases[] = {
    {"none", 4, {}, {0, 1, 2, 3}},
    {"first", 4, {0}, {1, 2, 3}},
    {"last", 4, {3}, {0, 1, 2}},
    {"middle_then_the_one_swapped_in", 5, {1, 4}, {0, 2, 3}},
    {"twice_and_out_of_range", 4, {2, 2, 9, 4}, {0, 1, 3}},
    {"all_in_any_order", 4, {2, 0, 3, 1}, {}},
    {"empty", 0, {0}, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, EligibleRanksRemoval, ::testing::ValuesIn(removalCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Many ranks left out one at a time and in batches, against a plain list of those still in: the i-th eligible rank is
// the i-th of that list, wherever the ranks left out fall (runs, the ends, repeats).
TEST(EligibleRanks, IthEligibleIsTheIthOfThoseStillIn) {
    const std::size_t n = 1000;
    chance::ExcludedRanks ranks(n);
    std::set<std::size_t> left;
    for (std::size_t rank = 0; rank < n; ++rank)
        left.insert(rank);
    std::uint64_t state = 7;
    const auto next = [&] { return (state = state * 6364136223846793005ull + 1442695040888963407ull) >> 33; };
    for (int round = 0; round < 6; ++round) {
        std::vector<std::uint32_t> batch;
        for (int i = 0; i < 60; ++i) {
            const std::size_t rank = next() % (n + 5);
            if (i % 2) {
                ranks.remove(rank);
            } else {
                batch.push_back(static_cast<std::uint32_t>(rank));
                batch.push_back(static_cast<std::uint32_t>(rank)); // a repeat within the batch
            }
            left.erase(rank);
        }
        if (round == 3) {
            for (std::size_t rank : {std::size_t{0}, n - 1, std::size_t{500}, std::size_t{501}}) {
                batch.push_back(static_cast<std::uint32_t>(rank)); // the ends and a run
                left.erase(rank);
            }
        }
        ranks.remove(batch);
        ASSERT_EQ(ranks.count(), left.size());
        std::size_t i = 0;
        for (std::size_t rank : left)
            ASSERT_EQ(ranks.at(i++), rank) << "round " << round;
    }
}

// Draws as the shuffle makes them, rank = at(uniform(count) - 1), with some ranks left out before the draws and
// more half-way through: every rank still in is drawn about equally often, none left out is ever drawn.
TEST(EligibleRanks, UniformOverThoseStillIn) {
    std::uint64_t clock = 0, entropy = 0;
    chance::TickRandom random([&] { return clock += 48'611; }, [&] { return entropy += 0x9E3779B97F4A7C15ull; });
    const std::size_t n = 40;
    chance::ExcludedRanks ranks(n);
    for (std::size_t rank : {0u, 7u, 39u, 20u})
        ranks.remove(rank);
    const int drawsPerRank = 400;
    for (int half = 0; half < 2; ++half) {
        std::vector<int> counts(n);
        const int draws = drawsPerRank * static_cast<int>(ranks.count());
        for (int i = 0; i < draws; ++i) {
            random.reseed();
            ++counts[ranks.at(static_cast<std::size_t>(random.uniform(ranks.count()) - 1))];
        }
        double chiSquare = 0;
        for (std::size_t rank = 0; rank < n; ++rank) {
            if (!ranks.contains(rank)) {
                EXPECT_EQ(counts[rank], 0) << "rank " << rank << " was left out";
                continue;
            }
            chiSquare += (counts[rank] - drawsPerRank) * (counts[rank] - drawsPerRank) / double(drawsPerRank);
        }
        // Critical value of chi-square at p = 0.001 for 29 to 35 degrees of freedom is at most 66.6.
        EXPECT_LT(chiSquare, 66.6) << "half " << half;
        for (std::size_t rank : {1u, 2u, 19u, 21u, 38u}) // winners saved mid-session
            ranks.remove(rank);
    }
}

} // namespace
