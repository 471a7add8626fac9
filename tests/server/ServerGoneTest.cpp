// The server goes away in the middle of an upload, a winner's save and an export: the operator reads which server
// and that nothing of the action was stored, nothing half-written is there, and once the server is back the next
// action connects again and goes through. Each case has a server of its own, stopped and started by the test.
#include "core/Session.h"
#include "core/record/Verification.h"
#include "platform/Error.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kRows = 40000;

class ServerGone : public ::testing::Test {
protected:
    void SetUp() override {
        uri = server.newDatabase() + "&password=rahasia";
        session.open(uri);
        session.journal().setClock([this] {
            if (stopAtNextEntry) {
                // Inside the action's transaction, its row written and its journal entry not yet.
                stopAtNextEntry = false;
                server.stop();
            }
            return QDateTime::currentDateTimeUtc();
        });
    }

    // What the operator reads when the server went away during an action.
    void expectLost(const std::string& error) {
        EXPECT_EQ(error.rfind("The connection to the database server " + db::withoutPassword(uri) + " was lost (", 0),
                  0u)
            << error;
        EXPECT_NE(error.find("nothing of this action was stored. The next action connects again"), std::string::npos)
            << error;
        EXPECT_EQ(error.find("rahasia"), std::string::npos);
    }

    void addParticipants(int n) {
        std::string sql = "BEGIN;";
        for (int id = 1; id <= n; ++id)
            sql +=
                "INSERT INTO tb_peserta VALUES(" + std::to_string(id) + ",'D" + std::to_string(id) + "','Nama','08');";
        session.connection().exec(sql + "COMMIT;");
    }

    std::int64_t count(const char* table) {
        db::Statement rows(session.connection(), std::string("SELECT count(*) FROM ") + table);
        return rows.step() ? rows.columnInt(0) : -1;
    }

    std::int64_t entries(const char* kind) {
        db::Statement rows(session.connection(), "SELECT count(*) FROM tb_jurnal WHERE jenis = ?");
        rows.bindText(1, kind);
        return rows.step() ? rows.columnInt(0) : -1;
    }

    TestServer server;
    std::string uri;
    core::Session session;
    bool stopAtNextEntry = false;
    QTemporaryDir scratch;
};

TEST_F(ServerGone, DuringAnUpload) {
    const QString sheet = scratch.filePath(QStringLiteral("peserta.csv"));
    {
        QFile file(sheet);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QTextStream out(&file);
        out << "ID,no_undian,nama,hp\n";
        for (int id = 1; id <= kRows; ++id)
            out << id << ",U" << id << ",Peserta " << id << ",0812" << id << "\n";
    }
    bool stopped = false;
    const auto stopHalfway = [&](std::size_t rows) {
        if (!stopped && rows >= kRows / 4) {
            stopped = true;
            server.stop();
        }
    };
    expectLost(errorOf([&] { session.participants().upload(sheet.toStdString(), stopHalfway, {}); }));
    ASSERT_TRUE(stopped);

    server.start();
    EXPECT_EQ(count("tb_peserta"), 0); // the next action connects again: none of the rows is there
    EXPECT_EQ(entries("upload"), 0);
    const auto result = session.participants().upload(sheet.toStdString(), {}, {});
    EXPECT_EQ(result.rows, static_cast<std::size_t>(kRows));
    EXPECT_EQ(count("tb_peserta"), kRows);
    EXPECT_EQ(entries("upload"), 1);
    EXPECT_EQ(record::Verification::of(uri).exitCode(), 0);
}

TEST_F(ServerGone, DuringAWinnersSave) {
    addParticipants(50);
    session.settings().open();
    core::Draw& draw = session.draw();
    draw.readList();
    ASSERT_EQ(draw.start(), core::Draw::Start::Started);
    draw.tick();
    draw.stop();
    draw.show();
    draw.setPrize(QStringLiteral("Mobil"));
    stopAtNextEntry = true;
    expectLost(errorOf([&] { draw.save(); }));

    server.start();
    EXPECT_EQ(count("tb_pemenang"), 0); // the winner's row went with its entry
    EXPECT_EQ(entries("winner_saved"), 0);
    draw.show(); // "Tampilkan" again, then "&Simpan"
    draw.save();
    EXPECT_EQ(count("tb_pemenang"), 1);
    EXPECT_EQ(entries("winner_saved"), 1);
    EXPECT_EQ(record::Verification::of(uri).exitCode(), 0);
}

TEST_F(ServerGone, DuringAnExport) {
    session.connection().exec("INSERT INTO tb_pemenang VALUES('D1','Ani','TV'),('D2','Budi','Radio')");
    db::TableCursor winners("ADOTable1");
    winners.setConnection(&session.connection());
    winners.setTableName("tb_pemenang");
    winners.open();
    const QString path = scratch.filePath(QStringLiteral("pemenang.xls"));
    session.journal().ensureStarted();
    stopAtNextEntry = true;
    expectLost(errorOf([&] { session.winners().exportTo(winners, path); }));
    EXPECT_FALSE(QFile::exists(path)); // no file without its entry

    server.start();
    EXPECT_EQ(entries("export"), 0);
    EXPECT_EQ(session.winners().exportTo(winners, path), 2u);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(entries("export"), 1);
}

// Down before the program starts: the operator reads which server could not be reached, without its password.
TEST(ServerDown, AtStartNamesTheServer) {
    TestServer server;
    const std::string uri = server.newDatabase() + "&password=rahasia";
    server.stop();
    core::Session session;
    const std::string error = errorOf([&] { session.open(uri); });
    EXPECT_EQ(error.rfind("Cannot open the database '" + db::withoutPassword(uri) + "': ", 0), 0u) << error;
    EXPECT_EQ(error.find("rahasia"), std::string::npos);
    server.start();
    session.open(uri);
    EXPECT_TRUE(session.connection().isOpen());
}

} // namespace
