#include "platform/chance/TickRandom.h"

#include <gtest/gtest.h>
#include <set>

namespace {

chance::TickRandom pinned() {
    std::uint64_t clock = 0, entropy = 0;
    return chance::TickRandom([clock]() mutable { return clock += 1000; },
                              [entropy]() mutable { return entropy += 0x9E3779B97F4A7C15ull; });
}

TEST(TickRandom, StaysWithinOneToN) {
    auto random = pinned();
    for (std::uint64_t n : {1ull, 2ull, 3ull, 7ull, 1000ull, 10'000'000ull}) {
        for (int i = 0; i < 2000; ++i) {
            random.reseed();
            const auto r = random.uniform(n);
            ASSERT_GE(r, 1u);
            ASSERT_LE(r, n);
        }
    }
}

TEST(TickRandom, NoModuloBias) {
    // With n = 3 * 2^62 a plain "x % n" would give the lowest quarter of 2^64 twice: half the draws below 2^62
    // instead of a third.
    auto random = pinned();
    const std::uint64_t n = 3ull << 62;
    int low = 0;
    const int draws = 30000;
    for (int i = 0; i < draws; ++i) {
        random.reseed();
        if (random.uniform(n) - 1 < (1ull << 62)) ++low;
    }
    EXPECT_NEAR(static_cast<double>(low) / draws, 1.0 / 3.0, 0.015);
}

TEST(TickRandom, SameClockAndEntropyGiveTheSamePick) {
    auto a = pinned();
    auto b = pinned();
    for (int i = 0; i < 100; ++i) {
        a.reseed();
        b.reseed();
        ASSERT_EQ(a.uniform(1'000'000), b.uniform(1'000'000));
    }
}

TEST(TickRandom, SystemEntropyChangesThePickForTheSameClock) {
    chance::TickRandom random([] { return std::uint64_t{42}; }, {});
    std::set<std::uint64_t> picks;
    for (int i = 0; i < 1000; ++i) {
        random.reseed();
        picks.insert(random.uniform(1ull << 40));
    }
    EXPECT_GT(picks.size(), 990u);
}

TEST(TickRandom, EveryValueOfASmallRangeComes) {
    auto random = pinned();
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 200; ++i) {
        random.reseed();
        seen.insert(random.uniform(5));
    }
    EXPECT_EQ(seen, (std::set<std::uint64_t>{1, 2, 3, 4, 5}));
}

} // namespace
