// An event copied between a file and a server, either way: every table with its rowids, the journal's chain intact
// and its check OK on both, and never into a database that holds anything.
#include "core/EventCopy.h"
#include "core/record/Verification.h"
#include "platform/db/Connection.h"
#include "tests/record/RecordedDraw.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// An event as a desk leaves it: winners saved and one deleted, a participant typed in, the speed changed.
void recordEvent(TestDatabase& db) {
    RecordedDraw draw(db, 5);
    draw.start();
    draw.drawWinner(2, QStringLiteral("TV"));
    draw.deleteWinner(draw.drawWinner(3, QStringLiteral("Kulkas")));
    draw.drawWinner(1, QStringLiteral("Sepeda \xF0\x9F\x9A\xB2"));
    draw.addParticipant(9);
    draw.end();
    db.exec("UPDATE setup SET speed=80");
    db.cn().close();
}

// What a copy must keep: every row of every table with its rowid, and the journal as written.
Rows contents(const TestDatabase& db) {
    Rows all;
    for (const char* select :
         {"SELECT rowid, * FROM tb_peserta ORDER BY rowid", "SELECT rowid, * FROM tb_pemenang ORDER BY rowid",
          "SELECT * FROM setup", "SELECT * FROM tb_jurnal ORDER BY urut"})
        for (auto& row : db.rows(select))
            all.push_back(std::move(row));
    return all;
}

struct Direction {
    const char* name;
    Store from;
    Store to;
};

std::ostream& operator<<(std::ostream& out, const Direction& d) {
    return out << d.name;
}

class EventCopied : public ::testing::TestWithParam<Direction> {};

TEST_P(EventCopied, WholeWithItsJournalVerifyingOnBoth) {
    TestDatabase from(GetParam().from);
    TestDatabase to(GetParam().to);
    recordEvent(from);
    const EventCopy::Result result = EventCopy::run(from.path(), to.path());
    EXPECT_TRUE(result.verified) << result.summary;
    EXPECT_NE(result.summary.find("tb_jurnal: "), std::string::npos) << result.summary;
    EXPECT_EQ(contents(to), contents(from));
    const auto original = record::Verification::of(from.path());
    const auto copy = record::Verification::of(to.path());
    EXPECT_EQ(copy.exitCode(), 0) << copy.text().toStdString();
    EXPECT_EQ(copy.lastHash(), original.lastHash());
    EXPECT_EQ(copy.entryCount(), original.entryCount());

    // The copy goes on as the original would: a new winner's rowid follows the copied ones.
    const std::string last = from.rows("SELECT max(rowid) FROM tb_pemenang").at(0).at(0);
    to.exec("INSERT INTO tb_pemenang VALUES('D5','Nama 5','Radio')");
    EXPECT_EQ(to.rows("SELECT max(rowid) FROM tb_pemenang"), (Rows{{std::to_string(std::stoll(last) + 1)}}));
}

const Direction directions[] = {
    {"FileToServer", Store::File, Store::Server},
    {"ServerToFile", Store::Server, Store::File},
    {"ServerToServer", Store::Server, Store::Server},
};

INSTANTIATE_TEST_SUITE_P(Directions, EventCopied, ::testing::ValuesIn(directions),
                         [](const auto& info) { return std::string(info.param.name); });

// A file never made before is made by the copy.
TEST(EventCopy, IntoANewFile) {
    TestDatabase from(Store::Server);
    recordEvent(from);
    TestDatabase scratch(Store::File);
    const std::string path = scratch.directory().toStdString() + "/archive.mdb";
    const EventCopy::Result result = EventCopy::run(from.path(), path);
    EXPECT_TRUE(result.verified) << result.summary;
    EXPECT_EQ(record::Verification::of(path).lastHash(), record::Verification::of(from.path()).lastHash());
}

struct Occupied {
    const char* name;
    Store to;
    const char* sql; // what the target holds already
    const char* table;
};

std::ostream& operator<<(std::ostream& out, const Occupied& o) {
    return out << o.name;
}

class NonEmptyTarget : public ::testing::TestWithParam<Occupied> {};

TEST_P(NonEmptyTarget, IsRefusedAndLeftAsItWas) {
    const Occupied& c = GetParam();
    TestDatabase from(c.to == Store::File ? Store::Server : Store::File);
    recordEvent(from);
    TestDatabase to(c.to);
    to.exec(c.sql);
    const Rows before = to.rows(std::string("SELECT * FROM ") + c.table);
    EXPECT_EQ(errorOf([&] { EventCopy::run(from.path(), to.path()); }),
              "The database " + db::withoutPassword(to.path()) + " is not empty: " + c.table +
                  " holds rows. An event is copied into an empty database only");
    EXPECT_EQ(to.rows(std::string("SELECT * FROM ") + c.table), before);
    EXPECT_EQ(to.count("tb_pemenang"), std::string(c.table) == "tb_pemenang" ? 1 : 0);
}

const Occupied occupied[] = {
    {"ServerWithParticipants", Store::Server, "INSERT INTO tb_peserta VALUES(1,'A','B','C')", "tb_peserta"},
    {"ServerWithWinners", Store::Server, "INSERT INTO tb_pemenang VALUES('A','B','C')", "tb_pemenang"},
    {"FileWithAJournal", Store::File,
     "CREATE TABLE tb_jurnal (urut INTEGER PRIMARY KEY, waktu TEXT NOT NULL, jenis TEXT NOT NULL, rincian TEXT NOT "
     "NULL, hash_sebelum TEXT NOT NULL, hash TEXT NOT NULL); INSERT INTO tb_jurnal VALUES(1,'t','k','{}','0','h')",
     "tb_jurnal"},
};

INSTANTIATE_TEST_SUITE_P(Targets, NonEmptyTarget, ::testing::ValuesIn(occupied),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
