// The winners screen on 1,000,000 winners: the export ("Export Excel", file synced and in place) next to the
// sqlite3 command-line tool writing the same table tab-separated, and the opening of the screen's cursor (close and
// open of ADOTable1 with the grid shown) next to a bare C-API step through the table. Prints both pairs and their
// ratios; the targets are at most 1.5 each. The database is generated into /tmp on the first run.
#include "bench/step_through.h"
#include "core/Schema.h"
#include "data/uData.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "winners/uPemenang.h"

#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <sqlite3.h>
#include <string>

namespace {

constexpr int kWinners = 1000000;
const std::string kDirectory = "/tmp/tombolika-bench-winners";
const std::string kDatabase = kDirectory + "/db_sms.mdb";
const std::string kOurExport = kDirectory + "/pemenang.xls";
const std::string kToolExport = kDirectory + "/sqlite3.txt";

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

void makeDatabase() {
    if (std::filesystem::exists(kDatabase)) return;
    std::filesystem::create_directories(kDirectory);
    const std::string partial = kDirectory + "/partial.mdb";
    std::filesystem::remove(partial);
    schema::createDatabase(partial);
    sqlite3* db = nullptr;
    check(sqlite3_open(partial.c_str(), &db), db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO tb_pemenang VALUES(?,?,?)", -1, &insert, nullptr), db);
    char number[32], name[64], prize[32];
    for (int i = 1; i <= kWinners; ++i) {
        std::snprintf(number, sizeof number, "08%010d", i * 7);
        std::snprintf(name, sizeof name, "Pemenang Undian Nomor %d", i);
        std::snprintf(prize, sizeof prize, "Hadiah ke-%d", i % 50 + 1);
        sqlite3_bind_text(insert, 1, number, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, prize, -1, SQLITE_STATIC);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
    std::filesystem::rename(partial, kDatabase);
}

// The fastest iteration of each benchmark, in seconds.
std::map<std::string, double>& best() {
    static std::map<std::string, double> value;
    return value;
}

template <class Step> void measure(benchmark::State& state, const std::string& name, Step step) {
    double fastest = std::numeric_limits<double>::max();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
    }
    best()[name] = fastest;
}

void BM_ExportScreen(benchmark::State& state) {
    measure(state, "export", [] {
        ui::FileDialog::setNextFileName(QString::fromStdString(kOurExport));
        fPemenang->BitBtn2Click(nullptr);
        if (ui::MessageBox::shown().size() != 1) std::abort();
        ui::MessageBox::clearShown();
    });
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(kOurExport));
}

void BM_ExportSqlite3Tool(benchmark::State& state) {
    const std::string command =
        "sqlite3 -separator '\t' " + kDatabase + " 'select * from tb_pemenang' > " + kToolExport;
    measure(state, "sqlite3", [&] {
        if (std::system(command.c_str()) != 0) std::abort();
    });
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(kToolExport));
}

void BM_OpenScreenCursor(benchmark::State& state) {
    measure(state, "open", [] {
        fPemenang->ADOTable1.close();
        fPemenang->ADOTable1.open();
        QApplication::processEvents();
    });
    state.counters["rows"] = static_cast<double>(fPemenang->ADOTable1.recordCount());
}

void BM_StepCApi(benchmark::State& state) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(kDatabase.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    measure(state, "step", [&] { bench::stepReadingColumns(db, "SELECT rowid, * FROM tb_pemenang"); });
    sqlite3_close(db);
}

BENCHMARK(BM_ExportScreen)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportSqlite3Tool)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenScreenCursor)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepCApi)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void ratio(const char* what, const std::string& ours, const std::string& reference) {
    const auto& b = best();
    if (!b.count(ours) || !b.count(reference)) return;
    std::printf("%-40s %8.1f ms vs %8.1f ms   ratio %.2f (target <= 1.5)\n", what, b.at(ours) * 1e3,
                b.at(reference) * 1e3, b.at(ours) / b.at(reference));
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    makeDatabase();
    ui::MessageBox::setRecording(true);
    TDTModule::setDatabaseDirectory(QString::fromStdString(kDirectory));
    DTModule = new TDTModule();
    DTModule->DataModuleCreate(DTModule);
    fPemenang = new TfPemenang(DTModule->session);
    fPemenang->FormCreate(fPemenang);
    fPemenang->show();
    QApplication::processEvents();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nFastest of 5, 1,000,000 winners:\n");
    ratio("export / sqlite3 tool", "export", "sqlite3");
    ratio("open ADOTable1 / C-API step", "open", "step");

    delete fPemenang;
    delete DTModule;
    return 0;
}
