// One shuffle tick at 10,000,000 participants: re-seed, draw r uniformly, stand on the r-th participant in ID
// order, read the draw number the display shows. The snapshot is made once; the database is cached in /tmp.
// Then the same with winners not drawn again: the tick through the eligible ranks with 1,000 winners out, working
// those ranks out once, and what one saved winner costs (a pass over those still in).
#include "bench/make_participants.h"
#include "core/draw/EligibleParticipants.h"
#include "platform/chance/TickRandom.h"
#include "platform/db/Connection.h"
#include "platform/db/TableCursor.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>

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
        const auto start = std::chrono::steady_clock::now();
        cursor.open();
        cursor.prepareOrder(0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("Snapshot of %zu participants opened in %.2f s, %.1f MB\n", cursor.recordCount(), took.count(),
                    static_cast<double>(cursor.snapshotBytes()) / 1048576.0);
    }
};

Snapshot& snapshot() {
    static Snapshot s;
    return s;
}

// The tick as the draw screen runs it, with the real clock and the system's entropy.
void Tick(benchmark::State& state) {
    db::TableCursor& cursor = snapshot().cursor;
    chance::TickRandom random;
    const std::size_t n = cursor.recordCount();
    for (auto _ : state) {
        random.reseed();
        const std::uint64_t r = random.uniform(n);
        cursor.moveToRank(0, static_cast<std::size_t>(r - 1));
        benchmark::DoNotOptimize(cursor.fieldText(1));
    }
}

// The parts on their own, to see where a tick's time goes.
void ReseedAndDraw(benchmark::State& state) {
    chance::TickRandom random;
    for (auto _ : state) {
        random.reseed();
        benchmark::DoNotOptimize(random.uniform(kParticipants));
    }
}

void MoveAndRead(benchmark::State& state) {
    db::TableCursor& cursor = snapshot().cursor;
    std::uint64_t x = 12345;
    const std::size_t n = cursor.recordCount();
    for (auto _ : state) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        cursor.moveToRank(0, static_cast<std::size_t>((x >> 33) % n));
        benchmark::DoNotOptimize(cursor.fieldText(1));
    }
}

// A thousand participants' draw numbers, spread through the list: the winners of a long evening.
std::vector<std::string> someWinners(db::TableCursor& cursor, std::size_t count) {
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < count; ++i)
        numbers.push_back(cursor.cellText(i * 7919 % cursor.recordCount(), 1));
    return numbers;
}

EligibleParticipants& eligibleWithWinnersOut() {
    static EligibleParticipants eligible = [] {
        EligibleParticipants e;
        e.setParticipants(&snapshot().cursor);
        for (const std::string& number : someWinners(snapshot().cursor, 1000))
            e.winnerSaved(number);
        const auto start = std::chrono::steady_clock::now();
        const std::size_t left = e.eligible(); // worked out here, once
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("Eligible ranks with 1000 winners out worked out in %.0f ms (%zu left)\n", took.count() * 1e3,
                    left);
        return e;
    }();
    return eligible;
}

// The tick with winners not drawn again: r uniform among those still in, through the eligible ranks.
void TickWinnersOut(benchmark::State& state) {
    db::TableCursor& cursor = snapshot().cursor;
    EligibleParticipants& eligible = eligibleWithWinnersOut();
    chance::TickRandom random;
    for (auto _ : state) {
        random.reseed();
        const std::uint64_t r = random.uniform(eligible.eligible());
        cursor.moveToRank(0, eligible.rankAt(static_cast<std::size_t>(r - 1)));
        benchmark::DoNotOptimize(cursor.fieldText(1));
    }
}

// "&Simpan" with winners not drawn again: the saved draw number leaves the draw.
void WinnerSaved(benchmark::State& state) {
    EligibleParticipants& eligible = eligibleWithWinnersOut();
    const std::vector<std::string> next = someWinners(snapshot().cursor, 1100);
    std::size_t i = 1000;
    for (auto _ : state)
        eligible.winnerSaved(next.at(i++ % next.size()));
}

BENCHMARK(Tick)->Unit(benchmark::kNanosecond);
BENCHMARK(TickWinnersOut)->Unit(benchmark::kNanosecond);
BENCHMARK(WinnerSaved)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(ReseedAndDraw)->Unit(benchmark::kNanosecond);
BENCHMARK(MoveAndRead)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv) {
    snapshot();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("Target: a tick under 1000 ns at %lld participants, with or without winners out\n",
                static_cast<long long>(kParticipants));
    benchmark::Shutdown();
    return 0;
}
