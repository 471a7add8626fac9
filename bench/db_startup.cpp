// Start-up with 1,000,000 participants: the draw's snapshot (open + the ID order the ticks use) against just
// stepping through "select * from tb_peserta" with the C API in the same process, and the snapshot's memory.
#include "bench/make_participants.h"
#include "bench/step_through.h"
#include "platform/db/Connection.h"
#include "platform/db/SqliteAccess.h"
#include "platform/db/TableCursor.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <map>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace {

constexpr std::int64_t kParticipants = 1'000'000;

const std::string& database() {
    static const std::string path = bench::cachedParticipants(kParticipants);
    return path;
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The baseline: one statement stepped to the end, every column read as the snapshot reads it.
void StepSelect(benchmark::State& state) {
    db::Connection cn;
    cn.setDatabasePath(database());
    cn.open();
    for (auto _ : state)
        if (bench::stepReadingColumns(db::SqliteAccess::handle(cn), "select * from tb_peserta") != kParticipants)
            state.SkipWithError("wrong row count");
}

// Only sqlite3_step, no column read: the floor of any reader.
void StepOnly(benchmark::State& state) {
    db::Connection cn;
    cn.setDatabasePath(database());
    cn.open();
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db::SqliteAccess::handle(cn), "select * from tb_peserta", -1, &stmt, nullptr);
        std::int64_t rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            ++rows;
        sqlite3_finalize(stmt);
        if (rows != kParticipants) state.SkipWithError("wrong row count");
    }
}

void OpenSnapshot(benchmark::State& state) {
    db::Connection cn;
    cn.setDatabasePath(database());
    cn.open();
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&cn);
    cursor.setTableName("tb_peserta");
    for (auto _ : state) {
        cursor.close();
        cursor.open();
        cursor.prepareOrder(0);
        if (cursor.recordCount() != static_cast<std::size_t>(kParticipants)) state.SkipWithError("wrong row count");
    }
    state.counters["snapshot_MB"] = static_cast<double>(cursor.snapshotBytes()) / (1024.0 * 1024.0);
}

BENCHMARK(StepOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(StepSelect)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(OpenSnapshot)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's mean time so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    database(); // made before anything is measured

    // Memory first, in a fresh process: what opening the snapshot adds to the resident set.
    {
        db::Connection cn;
        cn.setDatabasePath(database());
        cn.open();
        db::TableCursor cursor("ADOTable1");
        cursor.setConnection(&cn);
        cursor.setTableName("tb_peserta");
        malloc_trim(0);
        const double before = residentMegabytes();
        cursor.open();
        cursor.prepareOrder(0);
        const double after = residentMegabytes();
        std::printf("Snapshot of %lld participants: snapshotBytes %.1f MB, resident set growth %.1f MB "
                    "(target at most 64 MB)\n",
                    static_cast<long long>(kParticipants), static_cast<double>(cursor.snapshotBytes()) / 1048576.0,
                    after - before);
    }
    malloc_trim(0);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double snapshot = reporter.times["OpenSnapshot/min_time:2.000"];
    const double select = reporter.times["StepSelect/min_time:2.000"];
    const double stepOnly = reporter.times["StepOnly/min_time:2.000"];
    if (snapshot > 0 && select > 0)
        std::printf("Snapshot open + ID order: %.1f ms; select stepped with every column read: %.1f ms; "
                    "ratio %.2f (target at most 1.5); against bare stepping (%.1f ms): %.2f\n",
                    snapshot, select, snapshot / select, stepOnly, stepOnly > 0 ? snapshot / stepOnly : 0.0);
    benchmark::Shutdown();
    return 0;
}
