// An event on a PostgreSQL server, on a local socket, with 1,000,000 participants. A server of the benchmark's own
// (TestServer, with the server's durable defaults) in a temporary folder. Prints, each the fastest of a few runs:
//  - start-up: the draw's snapshot of the participants (open + the ID order the ticks use), next to
//    psql -c "\copy (select * from tb_peserta) to '/dev/null'"                                   (target <= 1.5x)
//  - an upload of the same 1,000,000 rows from a CSV, with its journal entry, next to psql's
//    \copy tb_peserta FROM the same CSV                                                           (target <= 1.5x)
//  - a winner's save with its journal entry (the time of "&Simpan"), median and slowest of 100, on the server and,
//    for comparison, on a db_sms.mdb file holding the same participants.
#include "core/Session.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 1000000;
constexpr int kRuns = 3;
constexpr int kSaves = 100;
const QString kCsv = QStringLiteral("/tmp/tombolika-bench-server-1m.csv");

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double fastest(const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        if (prepare) prepare();
        best = std::min(best, seconds(work));
    }
    return best;
}

// 1,000,000 participants as a sheet: IDs in order, draw numbers, names of 8 to 20 letters, phone numbers.
void writeCsv() {
    if (QFile::exists(kCsv)) return;
    std::ofstream out(kCsv.toStdString());
    std::mt19937_64 random(1);
    static const char* syllables[] = {"su", "har", "to", "wi", "da", "ya", "ni", "sri", "mul", "ya", "ni", "ra"};
    out << "NO. URUT,NO. UNDIAN,NAMA PESERTA,NO. HANDPHONE\n";
    for (int id = 1; id <= kRows; ++id) {
        std::string name;
        while (name.size() < 8 + random() % 13)
            name += syllables[random() % 12];
        name[0] = static_cast<char>(name[0] - 32);
        out << id << ",A" << 1000000 + random() % 9000000 << "," << name << ",0812" << 10000000 + random() % 89999999
            << "\n";
    }
}

void psql(const std::string& uri, const std::string& command) {
    QProcess process;
    process.start(QStringLiteral("psql"), {QString::fromStdString(uri), QStringLiteral("-q"), QStringLiteral("-c"),
                                           QString::fromStdString(command)});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "psql failed: %s\n", process.readAllStandardError().constData());
        std::exit(1);
    }
}

// The median and the slowest save of a draw of kSaves winners, in milliseconds.
std::pair<double, double> saves(core::Session& session) {
    session.settings().open();
    core::Draw& draw = session.draw();
    draw.readList();
    std::vector<double> times;
    for (int i = 0; i < kSaves; ++i) {
        draw.start();
        draw.tick();
        draw.stop();
        draw.show();
        draw.setPrize(QStringLiteral("Hadiah %1").arg(i));
        times.push_back(1000 * seconds([&] { draw.save(); }));
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    writeCsv();
    TestServer server(TestServer::Options{true});
    const std::string uri = server.newDatabase();
    core::Session session;
    session.open(uri);
    db::Connection& cn = session.connection();
    const std::string csv = kCsv.toStdString();
    const std::string empty = "TRUNCATE tb_peserta, tb_jurnal";

    // The upload, and \copy of the same rows.
    const double upload = fastest([&] { cn.exec(empty); },
                                  [&] {
                                      const auto result = session.participants().upload(csv, {}, {});
                                      if (result.rows != static_cast<std::size_t>(kRows)) std::exit(1);
                                  });
    const double copyIn = fastest([&] { cn.exec(empty); },
                                  [&] {
                                      psql(uri, "\\copy tb_peserta (\"ID\", no_undian, nama, hp) FROM '" + csv +
                                                    "' WITH (FORMAT csv, HEADER)");
                                  });
    std::printf("Upload of %d rows: %.2f s; psql \\copy from the same CSV: %.2f s; ratio %.2f (target at most 1.5)\n",
                kRows, upload, copyIn, upload / copyIn);

    // Start-up: the draw's snapshot, and \copy to /dev/null.
    cn.exec("VACUUM ANALYZE tb_peserta");
    std::size_t bytes = 0;
    const double snapshot = fastest({}, [&] {
        db::TableCursor cursor("ADOTable1");
        cursor.setConnection(&cn);
        cursor.setTableName("tb_peserta");
        cursor.open();
        cursor.prepareOrder(0);
        if (cursor.recordCount() != static_cast<std::size_t>(kRows)) std::exit(1);
        bytes = cursor.snapshotBytes();
    });
    const double copyOut = fastest({}, [&] { psql(uri, "\\copy (select * from tb_peserta) to '/dev/null'"); });
    std::printf("Start-up with %d participants: snapshot open + ID order %.2f s (%.1f MB); psql \\copy to /dev/null: "
                "%.2f s; ratio %.2f (target at most 1.5)\n",
                kRows, snapshot, static_cast<double>(bytes) / 1048576.0, copyOut, snapshot / copyOut);

    // A winner's save with its entry, on the server and on a file with the same participants.
    const auto [serverMedian, serverSlowest] = saves(session);
    session.connection().close();
    QTemporaryDir folder;
    const std::string file = folder.filePath(QStringLiteral("db_sms.mdb")).toStdString();
    const auto copied =
        QProcess::execute(QStringLiteral(TOMBOLIKA_PROGRAM),
                          {QStringLiteral("--copy"), QString::fromStdString(uri), QString::fromStdString(file)});
    if (copied != 0) std::fprintf(stderr, "the copy to a file failed (%d)\n", copied);
    core::Session onFile;
    onFile.open(file);
    const auto [fileMedian, fileSlowest] = saves(onFile);
    std::printf("A winner's save with its journal entry (%d saves): on the server median %.2f ms, slowest %.2f ms; "
                "on a file median %.2f ms, slowest %.2f ms\n",
                kSaves, serverMedian, serverSlowest, fileMedian, fileSlowest);
    return 0;
}
