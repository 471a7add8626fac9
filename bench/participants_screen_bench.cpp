// The participants screen on 1,000,000 participants:
// - "Lihat Peserta": the screen shown, ADOTable3 closed and opened, the grid painted, next to a bare C-API step
//   through `select * from tb_peserta` that reads every value (target: at most 1.5 times as long);
// - "Hapus Semua": the statement, the message and the re-query, on a full table (target: under a second), with a
//   check that SQLite empties the table in one step rather than row by row;
// - scrolling the grid to random places in the million rows, each step painted.
// The database is generated into /tmp on the first run; a copy of it is refilled before each "Hapus Semua".
#include "bench/step_through.h"
#include "core/Schema.h"
#include "core/participants/Participants.h"
#include "data/uData.h"
#include "participants/uPeserta.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <sqlite3.h>
#include <string>

namespace {

constexpr int kParticipants = 1000000;
const std::string kDirectory = "/tmp/tombolika-bench-peserta";
const std::string kSource = kDirectory + "/source.mdb"; // kept between runs
const std::string kDatabase = kDirectory + "/db_sms.mdb";

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

void exec(sqlite3* db, const char* sql) {
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db);
}

void makeSource() {
    if (std::filesystem::exists(kSource)) return;
    std::filesystem::create_directories(kDirectory);
    const std::string partial = kDirectory + "/partial.mdb";
    std::filesystem::remove(partial);
    schema::createDatabase(partial);
    sqlite3* db = nullptr;
    check(sqlite3_open(partial.c_str(), &db), db);
    exec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO tb_peserta VALUES(?,?,?,?)", -1, &insert, nullptr), db);
    char number[32], name[64], phone[32];
    for (int i = 1; i <= kParticipants; ++i) {
        std::snprintf(number, sizeof number, "U%07d", i);
        std::snprintf(name, sizeof name, "Peserta Undian Nomor %d", i);
        std::snprintf(phone, sizeof phone, "0812%08lld", static_cast<long long>(i) * 7919 % 100000000);
        sqlite3_bind_int(insert, 1, i);
        sqlite3_bind_text(insert, 2, number, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, phone, -1, SQLITE_STATIC);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
    std::filesystem::rename(partial, kSource);
}

// Puts every participant back into the program's database, from outside the program.
void refill() {
    sqlite3* db = nullptr;
    check(sqlite3_open(kDatabase.c_str(), &db), db);
    exec(db, ("ATTACH '" + kSource + "' AS src").c_str());
    exec(db, "BEGIN; DELETE FROM tb_peserta; INSERT INTO tb_peserta SELECT * FROM src.tb_peserta; COMMIT");
    sqlite3_close(db);
}

// The fastest iteration of each measured step, in seconds.
std::map<std::string, double>& best() {
    static std::map<std::string, double> value;
    return value;
}

// Times step alone; prepare runs before each iteration, outside the time.
void measure(benchmark::State& state, const std::string& name, const std::function<void()>& prepare,
             const std::function<void()>& step) {
    double fastest = std::numeric_limits<double>::max();
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
    }
    best()[name] = fastest;
}

void BM_LihatPeserta(benchmark::State& state) {
    measure(
        state, "show",
        [] {
            fPeserta->hide();
            QApplication::processEvents();
        },
        [] {
            fPeserta->showFromDraw(); // show, bind, close and open ADOTable3
            QApplication::processEvents();
            fPeserta->repaint(); // the grid painted with its first rows
        });
    if (fPeserta->ADOTable3.recordCount() != kParticipants) std::abort();
    state.counters["rows"] = static_cast<double>(fPeserta->ADOTable3.recordCount());
    state.counters["snapshot_MB"] = static_cast<double>(fPeserta->ADOTable3.snapshotBytes()) / 1e6;
}

void BM_StepCApi(benchmark::State& state) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(kDatabase.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    measure(
        state, "step", [] {}, [&] { bench::stepReadingColumns(db, "select * from tb_peserta"); });
    sqlite3_close(db);
}

// One jump of the scroll bar to a random place, painted at once: the grid reads only the rows it shows.
void BM_ScrollGrid(benchmark::State& state) {
    QScrollBar* bar = fPeserta->DBGrid1->verticalScrollBar();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> place(0, bar->maximum());
    double slowest = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bar->setValue(place(random));
        fPeserta->DBGrid1->viewport()->repaint();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        slowest = std::max(slowest, elapsed.count());
    }
    state.counters["slowest_ms"] = slowest * 1e3;
    best()["scroll_slowest"] = slowest;
}

void BM_HapusSemua(benchmark::State& state) {
    measure(
        state, "delete_all",
        [] {
            refill();
            fPeserta->showFromDraw(); // the screen shows the full table, as before the press
            ui::MessageBox::clearShown();
        },
        [] { fPeserta->BitBtn8Click(fPeserta->BitBtn8); });
    if (fPeserta->ADOTable3.recordCount() != 0 || ui::MessageBox::shown().size() != 1) std::abort();
}

BENCHMARK(BM_StepCApi)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LihatPeserta)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScrollGrid)->Iterations(200)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_HapusSemua)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Whether the statement of "Hapus Semua" compiles to SQLite's one-step emptying (OP_Clear) and no row-by-row delete.
bool emptiesInOneStep(const std::string& statement) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(kDatabase.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt* explain = nullptr;
    check(sqlite3_prepare_v2(db, ("EXPLAIN " + statement).c_str(), -1, &explain, nullptr), db);
    bool clear = false, rowDelete = false;
    while (sqlite3_step(explain) == SQLITE_ROW) {
        const std::string opcode = reinterpret_cast<const char*>(sqlite3_column_text(explain, 1));
        clear |= opcode == "Clear";
        rowDelete |= opcode == "Delete";
    }
    sqlite3_finalize(explain);
    sqlite3_close(db);
    return clear && !rowDelete;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    makeSource();
    std::filesystem::copy_file(kSource, kDatabase, std::filesystem::copy_options::overwrite_existing);
    ui::MessageBox::setRecording(true);
    TDTModule::setDatabaseDirectory(QString::fromStdString(kDirectory));
    DTModule = new TDTModule();
    DTModule->DataModuleCreate(DTModule);
    fPeserta = new TfPeserta(DTModule->session);
    fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet2); // the grid in view

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto& b = best();
    std::printf("\nFastest iteration, %d participants:\n", kParticipants);
    if (b.count("show") && b.count("step"))
        std::printf("%-44s %8.1f ms vs %8.1f ms   ratio %.2f (target <= 1.5)\n",
                    "Lihat Peserta / C-API step of select *", b.at("show") * 1e3, b.at("step") * 1e3,
                    b.at("show") / b.at("step"));
    if (b.count("scroll_slowest"))
        std::printf("%-44s %8.2f ms\n", "slowest grid scroll step, painted", b.at("scroll_slowest") * 1e3);
    if (b.count("delete_all"))
        std::printf("%-44s %8.1f ms (target < 1000)\n", "Hapus Semua on a full table", b.at("delete_all") * 1e3);
    const std::string statement = core::Participants::kClearAll;
    if (!statement.empty())
        std::printf("%-44s %s\n", ("\"" + statement + "\" empties in one step").c_str(),
                    emptiesInOneStep(statement) ? "yes (OP_Clear)" : "NO: deleted row by row");

    std::fflush(stdout);
    delete fPeserta;
    delete DTModule;
    return 0;
}
