// Ten million participants through the whole program, each figure beside its reference measured in the same run:
// - start-up, on the first start of a database (no journal, setup without the column of "Pemenang tidak diundi
//   lagi") and on a later one: from the program's launch to its window painted, against the sqlite3 shell's
//   `select * from tb_peserta` (target: at most 1.2 times as long); the resident memory once the list is sealed
//   (target: at most 40 bytes a participant) and the sealed fingerprint's time (target: within 3 s);
// - "Lihat Peserta": the participants screen shown and painted, and scrolled to random places (target: at once);
// - "Hapus Semua": the click to its message, against the shell's `delete from tb_peserta` (target: at most 2x);
// - `--verify` and `--minutes` of the real program, against the shell reading every table (target: at most 2x);
// - "Import" of a 10,000,000-row csv on an empty database: how soon the preview lists its first rows, the longest
//   the screen stands still, and "Upload.." from the click to its message, against the shell's `.import` of the
//   same file into an empty table (target: at most 1.5x), and the longest the screen stands still on the way.
// The shuffle tick (bench_draw), the keyed draw's pick (bench_verifiable) and a round of 50 of the prize plan
// (bench_plan_save 10000000) have benchmarks of their own at the same scale.
// Each program run is a process of its own (this program started again with --child), so each starts as the
// operator's does and its memory is its own. Data in $TOMBOLIKA_BENCH_DATA (default /tmp/tombolika-bench): the
// participants database is made on the first run (make_participants), the csv written from it.
//   bench_scale [--runs N] [--only start,screen,clear,record,import]
#include "app/Program.h"
#include "bench/make_participants.h"
#include "core/Session.h"
#include "core/draw/DrawObserver.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/PreviewModel.h"
#include "participants/uPeserta.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kParticipants = 10'000'000;
namespace fs = std::filesystem;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::int64_t residentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return 0;
}

fs::path dataDirectory() {
    const char* set = std::getenv("TOMBOLIKA_BENCH_DATA");
    return set && *set ? fs::path(set) : fs::temp_directory_path() / "tombolika-bench";
}

// ---------------------------------------------------------------------------------------------------------------
// The child: one run of the program, as main() starts it, reporting "name seconds" lines on its standard output.

void report(const char* name, double value) {
    std::printf("%s %.9f\n", name, value);
    std::fflush(stdout);
}

// Runs the event loop until done() holds, looking every few milliseconds; false after `limit` seconds. The loop
// sleeps between events, so it takes no processor time from the program's own threads.
bool waitUntil(const std::function<bool()>& done, double limit = 600) {
    const double until = now() + limit;
    QEventLoop loop;
    QTimer look;
    look.setInterval(2);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done() || now() > until) loop.quit();
    });
    look.start();
    if (!done()) loop.exec();
    return done();
}

// The first paint of a widget, as the operator would see it.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* widget) { widget->installEventFilter(this); }
    double at = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && at == 0) at = now();
        return false;
    }
};

// When the draw's list is sealed.
class SealWatch : public DrawObserver {
public:
    double at = 0;
    void participantsCounted(std::size_t, std::optional<std::size_t>) override {}
    void listSealed(std::size_t, const QString&) override { at = now(); }
    void shuffleStarted() override {}
    void numberShown(const QString&) override {}
    void detailsShown(const DrawDetails&) override {}
    void prizeTyped(const QString&) override {}
    void winnerSaved(const DrawDetails&) override {}
    void detailsCleared() override {}
};

// The longest stretch the event loop stood still while a timer ticks every 5 ms.
class StandStill {
public:
    StandStill() {
        m_ticks.setInterval(5);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        m_last = now();
        m_longest = 0;
        m_ticks.start();
    }
    double stop() {
        tick();
        m_ticks.stop();
        return m_longest;
    }

private:
    void tick() {
        const double t = now();
        m_longest = std::max(m_longest, t - m_last);
        m_last = t;
    }
    QTimer m_ticks;
    double m_last = 0, m_longest = 0;
};

// The program started on `folder` as main() starts it; reports when its window is painted, when the list is sealed
// and when the run's first journal entry is written, and the resident memory then.
void startProgram(const QString& folder, SealWatch& seal) {
    program::initialize();
    TDTModule::setFolder(folder);
    program::createForms();
    DTModule->session.draw().addObserver(&seal);
    FirstPaint painted(fAcak);
    fAcak->show();
    if (!waitUntil([&] { return painted.at > 0; }, 60)) std::abort();
    report("window", painted.at);
    if (!waitUntil([&] { return seal.at > 0 && DTModule->session.journal().run() != 0; })) std::abort();
    report("sealed", seal.at);
    report("journal_started", now());
    report("resident_bytes", static_cast<double>(residentBytes()));
}

// "Lihat Peserta" and scrolling its grid to random places, each step painted.
void participantsScreen() {
    fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet2);
    const double start = now();
    fPeserta->showFromDraw();
    fPeserta->repaint();
    report("screen_open", now() - start);
    if (fPeserta->ADOTable3.recordCount() != static_cast<std::size_t>(kParticipants)) std::abort();
    QScrollBar* bar = fPeserta->DBGrid1->verticalScrollBar();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> place(0, bar->maximum());
    if (!fPeserta->DBGrid1->isVisible() || bar->maximum() < kParticipants / 2) std::abort(); // nothing to scroll
    double slowest = 0;
    for (int i = 0; i < 50; ++i) {
        const double step = now();
        bar->setValue(place(random));
        fPeserta->DBGrid1->viewport()->repaint();
        slowest = std::max(slowest, now() - step);
    }
    report("screen_scroll", slowest);
    report("screen_resident_bytes", static_cast<double>(residentBytes()));
}

// "Hapus Semua" on the full table, answered Yes: from the click to the message.
void clearAll() {
    fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet2);
    fPeserta->showFromDraw();
    ui::MessageBox::setRecording(true);
    const double start = now();
    fPeserta->BitBtn8->click();
    const double end = now();
    if (ui::MessageBox::shown().size() != 2 || fPeserta->ADOTable3.recordCount() != 0) std::abort();
    report("clear", end - start);
}

// A message box the program shows, closed as the operator would close it at once; when it showed.
class MessageWatch {
public:
    MessageWatch() {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                if (at == 0) {
                    at = now();
                    if (shown) shown();
                }
                text = box->text();
                std::fprintf(stderr, "message: %s\n", qPrintable(text));
                box->accept();
            }
        });
        m_timer.start();
    }
    double at = 0;
    QString text;
    std::function<void()> shown; // told when the first box shows, before it is closed

private:
    QTimer m_timer;
};

// "Import" of the csv on the Upload tab, then "Upload..".
void importCsv(const QString& csv) {
    fPeserta->showFromDraw();
    fPeserta->PageControl1->setCurrentWidget(fPeserta->TabSheet3);
    QApplication::processEvents();

    auto unexpected = std::make_unique<MessageWatch>(); // a message during the preview: reported, closed, failed
    StandStill still;
    double firstRows = 0;
    const auto listed = QObject::connect(fPeserta->ListView1Items, &QAbstractItemModel::rowsInserted, [&] {
        if (firstRows == 0) firstRows = now();
    });
    ui::FileDialog::setNextFileName(csv);
    double start = now();
    still.start();
    fPeserta->SpeedButton7->click();
    report("preview_pause", still.stop());
    report("preview", now() - start);
    report("preview_first_rows", firstRows - start);
    QObject::disconnect(listed);
    if (unexpected->at != 0) std::abort();
    unexpected.reset();
    if (fPeserta->ListView1Items->itemCount() != static_cast<std::size_t>(kParticipants)) std::abort();
    report("preview_resident_bytes", static_cast<double>(residentBytes()));

    MessageWatch message;
    start = now();
    still.start();
    double pauseBeforeMessage = -1; // the stand-still up to the message, apart from what follows it
    message.shown = [&] {
        pauseBeforeMessage = still.stop();
        still.start();
    };
    fPeserta->SpeedButton6->click();
    const double end = now();
    report("upload_pause", pauseBeforeMessage);
    report("upload_then_grid_pause", still.stop());
    if (!message.text.contains(QStringLiteral(" has been imported!"))) std::abort();
    report("upload", message.at - start);
    report("upload_then_grid", end - message.at);
    report("upload_resident_bytes", static_cast<double>(residentBytes()));
}

int child(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string mode = argv[2];
    const QString folder = QString::fromLocal8Bit(argv[3]);
    QApplication app(argc, argv);
    SealWatch seal;
    startProgram(folder, seal);
    if (mode == "screen") participantsScreen();
    if (mode == "clear") clearAll();
    if (mode == "import" && argc > 4) importCsv(QString::fromLocal8Bit(argv[4]));
    // What the program would free on its way out is not measured.
    std::fflush(stdout);
    _exit(0);
}

// ---------------------------------------------------------------------------------------------------------------
// The parent: data, runs, references, the table.

// Fastest of the runs of each figure.
std::map<std::string, double>& fastest() {
    static std::map<std::string, double> value;
    return value;
}
void keep(const std::string& name, double value, bool largest = false) {
    auto& f = fastest();
    const auto at = f.find(name);
    if (at == f.end() || (largest ? value > at->second : value < at->second)) f[name] = value;
}

void sqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_close(db);
}

// A command's wall time, its output thrown away.
double timed(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const double start = now();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    return now() - start;
}

// This program run as a child; its figures, and "launch" the moment it was started.
std::map<std::string, double> runChild(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double launch = now();
    process.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "child %s failed\n", qPrintable(arguments.join(QLatin1Char(' '))));
        std::exit(1);
    }
    std::map<std::string, double> figures{{"launch", launch}};
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2) figures[parts[0].toStdString()] = parts[1].toDouble();
    }
    return figures;
}

struct Data {
    fs::path participants; // 10,000,000 participants, the setup table as this version makes it
    fs::path older;        // the same without the setup column, as an older version made it
    fs::path csv;          // the same participants as a csv with a heading
    fs::path empty;        // no participants
    fs::path run;          // this run's databases
};

Data prepare() {
    Data data;
    const fs::path directory = dataDirectory();
    data.participants = bench::cachedParticipants(kParticipants);
    data.older = directory / "participants-10000000-older.mdb";
    if (!fs::exists(data.older)) {
        const fs::path partial = data.older.string() + ".partial";
        fs::copy_file(data.participants, partial, fs::copy_options::overwrite_existing);
        sqlite(partial, "DROP TABLE setup; CREATE TABLE setup (speed INTEGER NOT NULL CHECK (speed >= 0)); "
                        "INSERT INTO setup VALUES (50)");
        fs::rename(partial, data.older);
    }
    data.csv = directory / "peserta-10000000.csv";
    if (!fs::exists(data.csv)) {
        const fs::path partial = data.csv.string() + ".partial";
        std::FILE* file = std::fopen(partial.c_str(), "wb");
        sqlite3* db = nullptr;
        sqlite3_stmt* select = nullptr;
        if (!file || sqlite3_open(data.participants.c_str(), &db) != SQLITE_OK ||
            sqlite3_prepare_v2(db, "SELECT * FROM tb_peserta ORDER BY ID", -1, &select, nullptr) != SQLITE_OK)
            std::exit(1);
        std::fputs("NO. URUT,NO. UNDIAN,NAMA PESERTA,NO. HANDPHONE\r\n", file);
        while (sqlite3_step(select) == SQLITE_ROW)
            std::fprintf(file, "%lld,%s,%s,%s\r\n", static_cast<long long>(sqlite3_column_int64(select, 0)),
                         sqlite3_column_text(select, 1), sqlite3_column_text(select, 2),
                         sqlite3_column_text(select, 3));
        sqlite3_finalize(select);
        sqlite3_close(db);
        if (std::fclose(file) != 0) std::exit(1);
        fs::rename(partial, data.csv);
    }
    data.run = directory / ("run-" + std::to_string(getpid()));
    fs::create_directories(data.run);
    data.empty = data.run / "empty.mdb";
    fs::copy_file(data.participants, data.empty);
    sqlite(data.empty.string(), "DELETE FROM tb_peserta; VACUUM");
    return data;
}

// A fresh folder of the run holding a copy of `database` as db_sms.mdb.
QString folderWith(const Data& data, const fs::path& database, const std::string& name) {
    const fs::path folder = data.run / name;
    fs::create_directories(folder);
    fs::copy_file(database, folder / "db_sms.mdb", fs::copy_options::overwrite_existing);
    fs::copy_file(TOMBOLIKA_LOGO, folder / "LOGO.JPG", fs::copy_options::overwrite_existing);
    return QString::fromStdString(folder.string());
}

QString sqlite3Shell() {
    return QStringLiteral("sqlite3");
}

void startUps(const Data& data, int runs) {
    const QString selectAll = QStringLiteral("select * from tb_peserta");
    QString later;
    for (int i = 0; i < runs; ++i) {
        keep("bare read", timed(sqlite3Shell(), {QString::fromStdString(data.participants.string()), selectAll}));
        const QString first = folderWith(data, data.older, "first");
        auto f = runChild({QStringLiteral("start"), first});
        keep("first start: window", f["window"] - f["launch"]);
        keep("first start: fingerprint", f["sealed"] - f["launch"]);
        keep("first start: journal started", f["journal_started"] - f["launch"]);
        keep("first start: resident", f["resident_bytes"]);
        later = first;
        f = runChild({QStringLiteral("start"), later});
        keep("later start: window", f["window"] - f["launch"]);
        keep("later start: fingerprint", f["sealed"] - f["launch"]);
        keep("later start: journal started", f["journal_started"] - f["launch"]);
        keep("later start: resident", f["resident_bytes"]);
    }
}

void screen(const Data& data, int runs) {
    const QString folder = folderWith(data, data.participants, "screen");
    for (int i = 0; i < runs; ++i) {
        auto f = runChild({QStringLiteral("screen"), folder});
        keep("screen: open", f["screen_open"]);
        keep("screen: slowest scroll step", f["screen_scroll"]);
        keep("screen: resident", f["screen_resident_bytes"]);
    }
}

void clear(const Data& data, int runs) {
    for (int i = 0; i < runs; ++i) {
        const QString copy = folderWith(data, data.participants, "clear-reference");
        keep("delete reference",
             timed(sqlite3Shell(), {copy + QStringLiteral("/db_sms.mdb"), QStringLiteral("delete from tb_peserta")}));
        const QString folder = folderWith(data, data.participants, "clear");
        keep("Hapus Semua", runChild({QStringLiteral("clear"), folder})["clear"]);
    }
}

void recordCommands(const Data& data, int runs) {
    // A database that has been started, drawn from and had winners saved, as --verify meets it.
    const QString folder = folderWith(data, data.participants, "record");
    runChild({QStringLiteral("start"), folder});
    const QString database = folder + QStringLiteral("/db_sms.mdb");
    const QString pdf = folder + QStringLiteral("/berita-acara.pdf");
    for (int i = 0; i < runs; ++i) {
        keep("read of the tables", timed(sqlite3Shell(), {database, QStringLiteral("select * from tb_peserta; select "
                                                                                   "* from tb_pemenang; select * "
                                                                                   "from tb_jurnal; select * from "
                                                                                   "setup")}));
        keep("--verify", timed(QStringLiteral(TOMBOLIKA_PROGRAM), {QStringLiteral("--verify"), database}));
        keep("--minutes", timed(QStringLiteral(TOMBOLIKA_PROGRAM), {QStringLiteral("--minutes"), pdf, database}));
    }
}

void importCsv(const Data& data, int runs) {
    const QString csv = QString::fromStdString(data.csv.string());
    for (int i = 0; i < runs; ++i) {
        const QString reference = folderWith(data, data.empty, "import-reference") + QStringLiteral("/import.db");
        QFile::remove(reference);
        keep(".import reference", timed(sqlite3Shell(), {QStringLiteral("-cmd"), QStringLiteral(".mode csv"), reference,
                                                         QStringLiteral(".import ") + csv + QStringLiteral(" t")}));
        const QString folder = folderWith(data, data.empty, "import");
        auto f = runChild({QStringLiteral("import"), folder, csv});
        keep("import: preview first rows", f["preview_first_rows"]);
        keep("import: preview whole", f["preview"]);
        keep("import: preview longest stand-still", f["preview_pause"]);
        keep("import: preview resident", f["preview_resident_bytes"]);
        keep("import: click to message", f["upload"]);
        keep("import: upload longest stand-still", f["upload_pause"]);
        keep("import: message to grid", f["upload_then_grid"]);
        keep("import: message to grid longest stand-still", f["upload_then_grid_pause"]);
        keep("import: resident after", f["upload_resident_bytes"]);
    }
}

void line(const char* name, double seconds, const char* reference, double referenceSeconds, double target) {
    std::printf("%-34s %9.0f ms  %-22s %9.0f ms  ratio %5.2f  (target <= %.1f)\n", name, seconds * 1e3, reference,
                referenceSeconds * 1e3, seconds / referenceSeconds, target);
}

void printTable() {
    const auto& f = fastest();
    const auto has = [&](const char* name) { return f.count(name) > 0; };
    std::printf("\n%lld participants; fastest of the runs\n", static_cast<long long>(kParticipants));
    for (const auto& [name, value] : f)
        std::printf("  %-40s %14.3f\n", name.c_str(),
                    name.find("resident") != std::string::npos ? value / 1048576.0 : value * 1e3);
    std::printf("(milliseconds; resident sizes in MiB)\n\n");
    if (has("first start: window")) {
        line("first start: launch to window", f.at("first start: window"), "sqlite3 select *", f.at("bare read"), 1.2);
        line("later start: launch to window", f.at("later start: window"), "sqlite3 select *", f.at("bare read"), 1.2);
        for (const char* start : {"first start", "later start"}) {
            const std::string s = start;
            std::printf("%-34s %9.0f ms from the launch, %.0f ms after the window (target: within 3000 ms)\n",
                        (s + ": fingerprint").c_str(), f.at(s + ": fingerprint") * 1e3,
                        (f.at(s + ": fingerprint") - f.at(s + ": window")) * 1e3);
            std::printf("%-34s %9.1f bytes a participant (%.0f MiB; target <= 40)\n", (s + ": resident").c_str(),
                        f.at(s + ": resident") / static_cast<double>(kParticipants),
                        f.at(s + ": resident") / 1048576.0);
        }
    }
    if (has("screen: open"))
        std::printf("%-34s %9.0f ms open, %.1f ms the slowest scroll step (target: at once), %.0f MiB resident\n",
                    "Lihat Peserta", f.at("screen: open") * 1e3, f.at("screen: slowest scroll step") * 1e3,
                    f.at("screen: resident") / 1048576.0);
    if (has("Hapus Semua"))
        line("Hapus Semua: click to message", f.at("Hapus Semua"), "sqlite3 delete", f.at("delete reference"), 2.0);
    if (has("--verify")) {
        line("--verify", f.at("--verify"), "sqlite3 select tables", f.at("read of the tables"), 2.0);
        line("--minutes", f.at("--minutes"), "sqlite3 select tables", f.at("read of the tables"), 2.0);
    }
    if (has("import: click to message")) {
        line("Upload..: click to message", f.at("import: click to message"), "sqlite3 .import",
             f.at(".import reference"), 1.5);
        std::printf("%-34s %9.1f ms first rows, %.0f ms whole, longest stand-still %.0f ms\n", "Import: preview",
                    f.at("import: preview first rows") * 1e3, f.at("import: preview whole") * 1e3,
                    f.at("import: preview longest stand-still") * 1e3);
        std::printf("%-34s %9.0f ms longest stand-still to the message; the grid then read again in %.0f ms, its "
                    "longest stand-still %.0f ms\n",
                    "Upload..", f.at("import: upload longest stand-still") * 1e3, f.at("import: message to grid") * 1e3,
                    f.at("import: message to grid longest stand-still") * 1e3);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string(argv[1]) == "--child") return child(argc, argv);
    QCoreApplication app(argc, argv);
    int runs = 3;
    QStringList only{QStringLiteral("start"), QStringLiteral("screen"), QStringLiteral("clear"),
                     QStringLiteral("record"), QStringLiteral("import")};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--only") only = QString::fromLocal8Bit(argv[i + 1]).split(QLatin1Char(','));
    }
    const Data data = prepare();
    if (only.contains(QStringLiteral("start"))) startUps(data, runs);
    if (only.contains(QStringLiteral("screen"))) screen(data, runs);
    if (only.contains(QStringLiteral("clear"))) clear(data, runs);
    if (only.contains(QStringLiteral("record"))) recordCommands(data, runs);
    if (only.contains(QStringLiteral("import"))) importCsv(data, runs);
    printTable();
    fs::remove_all(data.run);
    return 0;
}
