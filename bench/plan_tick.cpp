// The draw with a prize plan at 10,000,000 participants, 1,000 of them picked for the prize drawn (and 1,000 for
// another): one shuffle tick among those who may still win, the picks of a round of 50, and what turning to a prize
// costs, also with "Pemenang tidak diundi lagi" on (1,000 draw numbers that won, found by one pass over the list when
// it is read). The snapshot is made once; the database is cached in /tmp.
#include "bench/make_participants.h"
#include "core/draw/PlanEligibility.h"
#include "platform/chance/TickRandom.h"
#include "platform/db/Connection.h"
#include "platform/db/TableCursor.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <unordered_set>

namespace {

constexpr std::int64_t kParticipants = 10'000'000;

struct Snapshot {
    db::Connection cn;
    db::TableCursor cursor{"ADOTable1"};
    Snapshot() {
        cn.setDatabasePath(bench::cachedParticipants(kParticipants));
        cn.open();
        cursor.setConnection(&cn);
        cursor.setTableName("tb_peserta");
        cursor.open();
        cursor.prepareOrder(0);
    }
};

Snapshot& snapshot() {
    static Snapshot s;
    return s;
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// 1,000 participants picked for prize 1 and 1,000 for prize 2, spread through the list.
std::vector<core::PrizePick> somePicks() {
    std::vector<core::PrizePick> picks;
    for (std::int64_t i = 0; i < 2000; ++i)
        picks.push_back({i < 1000 ? 1 : 2, i * 7919 % kParticipants + 1});
    return picks;
}

core::PlanEligibility& eligible() {
    static core::PlanEligibility e = [] {
        core::PlanEligibility made;
        made.setParticipants(&snapshot().cursor);
        const double picks = millisecondsOf([&] { made.setPicks(somePicks()); });
        const double turn = millisecondsOf([&] { made.select(1, nullptr, 0); });
        std::printf("Picks of 2,000 winners placed in the list in %.1f ms; turning to a prize: %.3f ms (%zu may win "
                    "it)\n",
                    picks, turn, made.count());
        std::unordered_set<std::string> won;
        for (std::size_t i = 0; i < 1000; ++i)
            won.insert(snapshot().cursor.cellText(i * 104729 % snapshot().cursor.recordCount(), 1));
        const double first = millisecondsOf([&] { made.select(1, &won, 1); });
        const double again = millisecondsOf([&] { made.select(2, &won, 1); });
        std::printf("With winners not drawn again: first turn %.0f ms (one pass over the list for 1,000 draw numbers), "
                    "then %.3f ms a turn (%zu may win)\n",
                    first, again, made.count());
        made.select(1, nullptr, 0);
        return made;
    }();
    return e;
}

// A shuffle tick as the draw runs it with a plan: re-seed, r uniform among those who may still win, stand on that
// participant, read the draw number the display shows.
void TickWithPlan(benchmark::State& state) {
    db::TableCursor& cursor = snapshot().cursor;
    core::PlanEligibility& who = eligible();
    chance::TickRandom random;
    for (auto _ : state) {
        random.reseed();
        const std::size_t rank = who.rankAt(static_cast<std::size_t>(random.uniform(who.count()) - 1));
        cursor.moveToRank(0, rank);
        benchmark::DoNotOptimize(cursor.fieldText(1));
    }
}

// "Stop" of a round of 50: each pick among those who may still win less the picks before it; given back after.
void PicksOfARoundOf50(benchmark::State& state) {
    core::PlanEligibility& who = eligible();
    chance::TickRandom random;
    std::vector<std::size_t> picked;
    for (auto _ : state) {
        picked.clear();
        for (int i = 0; i < 50; ++i) {
            random.reseed();
            const std::size_t rank = who.rankAt(static_cast<std::size_t>(random.uniform(who.count()) - 1));
            who.pick(rank);
            picked.push_back(rank);
        }
        state.PauseTiming();
        for (std::size_t rank : picked)
            who.giveBack(rank);
        state.ResumeTiming();
    }
}

BENCHMARK(TickWithPlan)->Unit(benchmark::kNanosecond);
BENCHMARK(PicksOfARoundOf50)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    eligible();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Target: a tick under 1000 ns at %lld participants with 1,000 winners out\n",
                static_cast<long long>(kParticipants));
    benchmark::Shutdown();
    return 0;
}
