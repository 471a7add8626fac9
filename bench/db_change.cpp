// One row deleted or changed through a table cursor ("Delete", "Hapus Data", "Ubah Data" + "Simpan") on tables of
// 1,000 and 1,000,000 participants: the cost must not grow with the table (the statement finds the row by its
// rowid). Measured as the program runs (full sync of every transaction) and without the sync, which leaves the
// work of the statement and of the snapshot. The databases are copies of the cached participants files in /tmp.
#include "bench/make_participants.h"
#include "platform/db/Connection.h"
#include "platform/db/TableCursor.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <string>

namespace {

// A private copy of the cached participants file, so the deletions do not wear the cache down.
std::string copyOf(std::int64_t participants) {
    const std::string source = bench::cachedParticipants(participants);
    const std::string copy = source + ".change";
    std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

struct Table {
    explicit Table(std::int64_t participants, bool synced) : path(copyOf(participants)) {
        cn.setDatabasePath(path);
        cn.open();
        if (!synced) cn.exec("PRAGMA synchronous=OFF");
        cursor.setConnection(&cn);
        cursor.setTableName("tb_peserta");
        cursor.open();
    }
    ~Table() {
        cursor.close();
        cn.close();
        std::filesystem::remove(path);
    }
    std::string path;
    db::Connection cn;
    db::TableCursor cursor{"ADOTable3"};
};

// Runs `change` on the row in the middle of the snapshot, timing only the change.
template <class Change> void timed(benchmark::State& state, Change change) {
    Table table(state.range(0), state.range(1) != 0);
    for (auto _ : state) {
        table.cursor.moveTo(table.cursor.recordCount() / 2);
        const auto start = std::chrono::steady_clock::now();
        change(table.cursor);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
    }
}

void RemoveOneRow(benchmark::State& state) {
    timed(state, [](db::TableCursor& cursor) { cursor.remove(); });
}

void PostOneChange(benchmark::State& state) {
    long long round = 0;
    timed(state, [&round](db::TableCursor& cursor) {
        cursor.edit();
        cursor.setFieldText(2, "Nama " + std::to_string(++round));
        cursor.post();
    });
}

void shapes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"rows", "synced"});
    for (std::int64_t rows : {1000, 1000000})
        for (std::int64_t synced : {1, 0})
            b->Args({rows, synced});
    b->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
}

BENCHMARK(RemoveOneRow)->Apply(shapes);
BENCHMARK(PostOneChange)->Apply(shapes);

} // namespace

BENCHMARK_MAIN();
