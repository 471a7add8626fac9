// The keyed draw at 10,000,000 participants, held in memory as the draw holds its list. One pick for a prize with
// 1,000 participants already picked (target: within 1 ms), with the rule that winners leave the draw and without
// it; a whole round of 50; the keyed rank alone; and, once each, Lp over the whole list and the public list written
// to a file under /tmp.
#include "core/verifiable/DrawKey.h"
#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/ParticipantArray.h"
#include "core/verifiable/PublicList.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kParticipants = 10'000'000;
constexpr int kPicked = 1000;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const verifiable::ParticipantArray& participants() {
    static const auto list = [] {
        const auto start = std::chrono::steady_clock::now();
        auto made = std::make_unique<verifiable::ParticipantArray>();
        made->reserve(kParticipants, kParticipants * 8);
        char number[16];
        for (std::size_t k = 0; k < kParticipants; ++k) {
            std::snprintf(number, sizeof number, "%08zu", k * 7 % 100'000'000);
            made->add(static_cast<std::int64_t>(k * 3 + 1), number);
        }
        std::printf("%zu participants held in %.2f s\n", kParticipants, secondsSince(start));
        return made;
    }();
    return *list;
}

QByteArray key() {
    return QCryptographicHash::hash("bench", QCryptographicHash::Sha256);
}

// A draw of one prize of 2,000 vouchers, 50 a round, with its first 1,000 picked.
std::unique_ptr<verifiable::KeyedDraw> drawAfterPicks(bool leaveWinnersOut) {
    auto draw = std::make_unique<verifiable::KeyedDraw>(
        participants(), std::vector<verifiable::PrizeRow>{{1, "Voucher", 2 * kPicked, 50}}, leaveWinnersOut, key());
    while (draw->picks().size() < kPicked)
        draw->drawRound(*draw->nextRound());
    return draw;
}

void PickAfterThousand(benchmark::State& state) {
    const auto draw = drawAfterPicks(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(draw->nextPickFor(1));
    state.SetLabel(state.range(0) ? "winners leave the draw" : "once per prize");
}

void RoundOfFifty(benchmark::State& state) {
    // Each iteration draws the next round; 20 rounds fill the second thousand.
    auto draw = drawAfterPicks(true);
    for (auto _ : state) {
        if (!draw->nextRound()) {
            state.PauseTiming();
            draw = drawAfterPicks(true);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(draw->drawRound(*draw->nextRound()));
    }
}

void KeyedRankAlone(benchmark::State& state) {
    const QByteArray k = key();
    std::uint64_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(verifiable::keyedRank(k, ++i, kParticipants - kPicked));
}

void PublicListFingerprint(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(verifiable::publicListFingerprint(participants()));
}

void PublicListFile(benchmark::State& state) {
    const QString path = QDir::temp().filePath(QStringLiteral("tombolika-bench-daftar-publik.csv"));
    for (auto _ : state)
        benchmark::DoNotOptimize(verifiable::writePublicList(path, participants()));
    state.SetLabel(std::to_string(QFile(path).size() / 1'000'000) + " MB");
    QFile::remove(path);
}

BENCHMARK(PickAfterThousand)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(RoundOfFifty)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeyedRankAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(PublicListFingerprint)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PublicListFile)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
