#include "platform/chance/TickRandom.h"
#include "tests/plan/PlanSession.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

namespace {

// The draw's random source with a pinned clock and entropy from a fixed sequence: the counts below are the same at
// every run, so the checks never flicker.
chance::TickRandom pinnedRandom(std::uint64_t seed) {
    auto clock = std::make_shared<std::uint64_t>(1'000'000'007ull * seed);
    auto entropy = std::make_shared<std::uint64_t>(seed);
    return chance::TickRandom([clock] { return *clock += 48'611; },
                              [entropy] {
                                  std::uint64_t z = (*entropy += 0x9E3779B97F4A7C15ull);
                                  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
                                  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
                                  return z ^ (z >> 31);
                              });
}

template <typename Key> double chiSquare(const std::map<Key, int>& observed, double expected) {
    double sum = 0;
    for (const auto& [key, count] : observed)
        sum += std::pow(count - expected, 2) / expected;
    return sum;
}

// Rounds of three drawn again and again (each given up, so the next has the same chances) among ten participants, two
// of whom won the prize before: only the eight who may still win are ever drawn, each as often as the others, first
// as often as at any other place, and every set of three as often as any other.
TEST(RoundFairness, ARoundOfThreeIsUniformAmongThoseWhoMayStillWin) {
    PlanSession s(10);
    s.session.connection().exec("PRAGMA synchronous=OFF"); // thousands of rounds, each journaled
    s.addPrize("Voucher", "20", "3");
    s.script().next = {0, 0, 0};
    s.saveRound(); // D1, D2, D3 have won vouchers
    s.draw().setRandom(pinnedRandom(5));
    s.draw().setWinnerPick(nullptr); // the draw's own random pick again

    constexpr int kRounds = 3500;
    std::map<std::string, int> anyPlace, firstPlace;
    std::map<std::set<std::string>, int> sets;
    for (int i = 0; i < kRounds; ++i) {
        const std::vector<std::string> drawn = PlanSession::numbers(s.drawRound(1));
        ASSERT_EQ(drawn.size(), 3u);
        const std::set<std::string> set(drawn.begin(), drawn.end());
        ASSERT_EQ(set.size(), 3u); // distinct
        for (const std::string& number : drawn)
            ++anyPlace[number];
        ++firstPlace[drawn.front()];
        ++sets[set];
        s.draw().cancel();
    }
    for (const char* won : {"D1", "D2", "D3"})
        EXPECT_EQ(anyPlace.count(won), 0u) << won;
    ASSERT_EQ(anyPlace.size(), 7u);
    ASSERT_EQ(sets.size(), 35u); // every one of the C(7, 3) sets came up
    // Critical values of chi-square at p = 0.001: 22.46 for 6 degrees of freedom, 65.25 for 34.
    EXPECT_LT(chiSquare(anyPlace, kRounds * 3 / 7.0), 22.46);
    EXPECT_LT(chiSquare(firstPlace, kRounds / 7.0), 22.46);
    EXPECT_LT(chiSquare(sets, kRounds / 35.0), 65.25);
}

// With winners not drawn again, those picked for another prize are out as well: the round is uniform among the rest.
TEST(RoundFairness, WithWinnersNotDrawnAgainOnlyTheRestAreDrawn) {
    PlanSession s(9);
    s.session.connection().exec("PRAGMA synchronous=OFF");
    s.addPrize("Mobil", "1");
    s.addPrize("Voucher", "20", "2");
    s.script().next = {0};
    s.saveRound(); // D1 wins the car
    s.draw().setRandom(pinnedRandom(9));
    s.draw().setWinnerPick(nullptr);
    s.draw().setWinnersOnce(true);

    constexpr int kRounds = 2000;
    std::map<std::string, int> anyPlace;
    for (int i = 0; i < kRounds; ++i) {
        for (const std::string& number : PlanSession::numbers(s.drawRound(1)))
            ++anyPlace[number];
        s.draw().cancel();
    }
    EXPECT_EQ(anyPlace.count("D1"), 0u);
    ASSERT_EQ(anyPlace.size(), 8u);
    // 7 degrees of freedom.
    EXPECT_LT(chiSquare(anyPlace, kRounds * 2 / 8.0), 24.32);
}

} // namespace
