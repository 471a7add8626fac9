// The record of the draws at 1,000,000 participants: what start-up gives the draw's list seal on the screen's
// thread, the fingerprint on its own thread (target: ready within a second), the check of the draw screen's
// "list changed" line (target: under 50 ms), and a cursor's write with its journal entry against one without.
#include "bench/make_participants.h"
#include "core/record/CursorJournal.h"
#include "core/record/Events.h"
#include "core/record/Fingerprint.h"
#include "core/record/Journal.h"
#include "core/record/SealedList.h"
#include "platform/db/Connection.h"
#include "platform/db/TableCursor.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr std::int64_t kParticipants = 1'000'000;

// A private copy of the cached participants file with a journal of a day's draws, opened as the program opens it.
struct Draw {
    Draw() : path(bench::cachedParticipants(kParticipants) + ".record") {
        std::filesystem::copy_file(bench::cachedParticipants(kParticipants), path,
                                   std::filesystem::copy_options::overwrite_existing);
        cn.setDatabasePath(path);
        cn.open();
        cursor.setConnection(&cn);
        cursor.setTableName("tb_peserta");
        list.markBeforeRead(cn);
        cursor.open();
        cursor.prepareOrder(0);
        list.seal(cursor);
        journal.setRunStart([this] { return list.runStart(); });
        for (int i = 0; i < 300; ++i)
            journal.record(i % 2 ? record::event::kStop : record::event::kShow, {});
    }
    ~Draw() {
        cn.close();
        std::filesystem::remove(path);
    }
    std::string path;
    db::Connection cn;
    db::TableCursor cursor{"ADOTable1"};
    record::SealedList list;
    record::Journal journal{cn};
};

Draw& draw() {
    static Draw instance;
    return instance;
}

// What FormCreate does on the screen's thread, as the existing start-up benchmark measures it, with and without
// the seal's part there (the change marker before the read, the ID order handed over, the thread started).
void OpenSnapshot(benchmark::State& state) {
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&draw().cn);
    cursor.setTableName("tb_peserta");
    for (auto _ : state) {
        cursor.close();
        cursor.open();
        cursor.prepareOrder(0);
    }
}

void OpenSnapshotAndStartSeal(benchmark::State& state) {
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&draw().cn);
    cursor.setTableName("tb_peserta");
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<record::SealedList>();
        cursor.close();
        state.ResumeTiming();
        list->markBeforeRead(draw().cn);
        cursor.open();
        cursor.prepareOrder(0);
        list->seal(cursor);
        state.PauseTiming();
        list.reset(); // waits for the fingerprint, outside the measure
        state.ResumeTiming();
    }
}

// The fingerprint alone, as its thread computes it.
void FingerprintOfSnapshot(benchmark::State& state) {
    const auto order = draw().cursor.rowsInOrderOf(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(record::Fingerprint::ofSnapshot(draw().cursor.store(), order, 4));
}

// From the start of the seal to its fingerprint, as the run's first entry waits for it.
void SealReady(benchmark::State& state) {
    for (auto _ : state) {
        record::SealedList list;
        list.markBeforeRead(draw().cn);
        list.seal(draw().cursor);
        benchmark::DoNotOptimize(list.fingerprint());
    }
}

// The draw screen's question when it becomes active again.
void ChangeCheck(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(draw().list.changeSince(draw().cn));
}

// One participant changed through a cursor, with the journal's hook and without it.
void CursorChange(benchmark::State& state) {
    record::CursorJournal hook(draw().journal);
    draw().cn.setRowWriteHook(state.range(0) ? &hook : nullptr);
    db::TableCursor cursor("ADOTable3");
    cursor.setConnection(&draw().cn);
    cursor.setTableName("tb_peserta");
    cursor.open();
    int i = 0;
    for (auto _ : state) {
        cursor.edit();
        cursor.setFieldText(2, "Nama " + std::to_string(++i));
        cursor.post();
    }
    draw().cn.setRowWriteHook(nullptr);
    state.SetLabel(state.range(0) ? "with its journal entry" : "without a journal");
}

BENCHMARK(OpenSnapshot)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(OpenSnapshotAndStartSeal)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(FingerprintOfSnapshot)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(SealReady)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(ChangeCheck)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(CursorChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
