#include "core/record/EntryHash.h"
#include "core/record/Verification.h"
#include "platform/Error.h"
#include "platform/db/Statement.h"
#include "tests/record/RecordedDraw.h"
#include "tests/support/ErrorOf.h"

#include <QJsonDocument>
#include <chrono>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

using Rows = std::vector<std::vector<std::string>>;

QJsonObject details(TestDatabase& db, int seq) {
    const auto text = db.rows("SELECT rincian FROM tb_jurnal WHERE urut=" + std::to_string(seq))[0][0];
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

Rows kinds(TestDatabase& db) {
    return db.rows("SELECT urut, jenis FROM tb_jurnal ORDER BY urut");
}

// Another copy of the program, or another desk, on the same database: a connection of its own and its journal,
// whose runs name no list.
struct OtherCopy {
    explicit OtherCopy(TestDatabase& db) {
        connection.setDatabasePath(db.path());
        connection.open();
        journal.setRunStart([] { return record::Journal::RunStart{}; });
    }
    db::Connection connection;
    record::Journal journal{connection};
};

// The journal's rules on a file and on a server alike.
class Journal : public ::testing::TestWithParam<Store> {};
class SealedList : public ::testing::TestWithParam<Store> {};

TEST_P(Journal, RunOpensWithSealAndStartThenChainsEveryEntry) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    EXPECT_FALSE(db.hasTable("tb_jurnal")); // nothing written yet
    draw.drawWinner(2, QStringLiteral("TV"));
    draw.end();

    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"},
                               {"2", "program_started"},
                               {"3", "stop"},
                               {"4", "winner_saved"},
                               {"5", "program_ended"}}));
    const auto list = record::Fingerprint::ofTable(db.cn(), "tb_peserta");
    const QJsonObject start = details(db, 2);
    EXPECT_EQ(start.value("participants").toInteger(), 3);
    EXPECT_EQ(start.value("fingerprint").toString().toStdString(), list.sha256);
    EXPECT_EQ(start.value("speed").toInteger(), 50);
    EXPECT_EQ(details(db, 4), (QJsonObject{{"run", 2}, {"rowid", 1}, {"values", QJsonArray{"D2", "Nama 2", "TV"}}}));
    EXPECT_EQ(db.rows("SELECT waktu, hash_sebelum FROM tb_jurnal WHERE urut=1"),
              (Rows{{"2024-05-01T09:00:00.000Z", record::kZeroHash}}));
    EXPECT_EQ(db.rows("SELECT hash FROM tb_jurnal WHERE urut=4"),
              db.rows("SELECT hash_sebelum FROM tb_jurnal WHERE urut=5"));

    const auto check = record::Verification::of(db.path());
    EXPECT_EQ(check.exitCode(), 0) << check.text().toStdString();
}

// A database in use before its journal: the first entry seals its participants and each of its winners.
TEST_P(Journal, SealHoldsWhatTheTablesHeldBefore) {
    TestDatabase db(GetParam());
    db.exec("INSERT INTO tb_pemenang VALUES('D9','Lama',NULL), ('D8','','Kulkas')");
    RecordedDraw draw(db, 4);
    draw.start();
    draw.journal->ensureStarted();

    const QJsonObject seal = details(db, 1);
    const auto participants = record::Fingerprint::ofTable(db.cn(), "tb_peserta");
    const auto winners = record::Fingerprint::ofTable(db.cn(), "tb_pemenang", true);
    EXPECT_EQ(seal.value("participants").toObject(),
              (QJsonObject{{"count", 4}, {"fingerprint", QString::fromStdString(participants.sha256)}}));
    EXPECT_EQ(seal.value("winners").toObject(),
              (QJsonObject{
                  {"count", 2},
                  {"fingerprint", QString::fromStdString(winners.sha256)},
                  {"rows", QJsonArray{QJsonArray{1, "D9", "Lama", QJsonValue()}, QJsonArray{2, "D8", "", "Kulkas"}}}}));
    EXPECT_EQ(record::Verification::of(db.path()).exitCode(), 0);
}

// The seal takes the draw's own fingerprint only while nothing else has changed the table since the draw read it.
TEST_P(Journal, SealReadsTheTableAgainWhenAnotherConnectionChangedIt) {
    for (const bool changedMeanwhile : {false, true}) {
        TestDatabase db(GetParam());
        RecordedDraw draw(db);
        draw.start();
        if (changedMeanwhile) db.exec("UPDATE tb_peserta SET nama='Lain' WHERE ID=1");
        draw.journal->ensureStarted();
        const auto seal = details(db, 1).value("participants").toObject().value("fingerprint").toString().toStdString();
        EXPECT_EQ(seal, record::Fingerprint::ofTable(db.cn(), "tb_peserta").sha256);
        EXPECT_EQ(seal == draw.list->fingerprint().sha256, !changedMeanwhile);
    }
}

// A refused journal entry: outside, a trigger makes every insert into tb_jurnal fail, as a full disk would.
class RefusedJournal : public ::testing::Test {
protected:
    void SetUp() override {
        draw.start();
        draw.journal->ensureStarted();
        db.exec("CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal BEGIN SELECT RAISE(ABORT, 'journal full'); END");
    }
    TestDatabase db;
    RecordedDraw draw{db};
};

TEST_F(RefusedJournal, WinnerIsNotSavedWithoutItsEntry) {
    EXPECT_EQ(errorOf([&] { draw.saveWinner("D1", "Nama 1", "TV"); }), "journal full");
    EXPECT_EQ(db.count("tb_pemenang"), 0);
}

TEST_F(RefusedJournal, CursorWriteIsUndoneAndTheCursorKeepsItsRow) {
    const auto participants = openCursor(db.cn(), "tb_peserta");
    participants->append();
    participants->setFieldText(0, "4");
    participants->setFieldText(2, "Baru");
    EXPECT_EQ(errorOf([&] { participants->post(); }), "journal full");
    EXPECT_EQ(db.count("tb_peserta"), 3);
    EXPECT_EQ(participants->state(), db::TableCursor::State::Insert);
    EXPECT_EQ(participants->recordCount(), 3u);

    participants->cancel();
    participants->moveTo(0);
    EXPECT_EQ(errorOf([&] { participants->remove(); }), "journal full");
    EXPECT_EQ(db.count("tb_peserta"), 3);
    EXPECT_EQ(participants->recordCount(), 3u);

    db.exec("DROP TRIGGER refuse");
    participants->remove();
    EXPECT_EQ(db.count("tb_peserta"), 2);
    EXPECT_EQ(kinds(db).back(), (std::vector<std::string>{"3", "participant_deleted"}));
}

// A list read again whose entry the database refuses is due: the run's next entry writes it first, so no draw from
// that list is recorded without it.
TEST_F(RefusedJournal, ReloadedListIsRecordedBeforeTheNextDraw) {
    db.exec("DROP TRIGGER refuse; CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal WHEN NEW.jenis='list_reloaded' "
            "BEGIN SELECT RAISE(ABORT, 'journal full'); END");
    draw.addParticipant(4);
    EXPECT_EQ(errorOf([&] { draw.reload(); }), "journal full");
    db.exec("DROP TRIGGER refuse");
    draw.addParticipant(5);
    draw.stop(4);
    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"},
                               {"2", "program_started"},
                               {"3", "participant_added"},
                               {"4", "list_reloaded"},
                               {"5", "participant_added"},
                               {"6", "stop"}}));
    const QJsonObject list = details(db, 4);
    EXPECT_EQ(list.value("participants").toInteger(), 4);
    EXPECT_EQ(list.value("list_read_after").toInteger(), 3);
    EXPECT_EQ(list.value("run").toInteger(), 2);
    EXPECT_EQ(record::Verification::of(db.path()).exitCode(), 0);
}

// A run whose start is not written yet names the list read again in its start, and needs no other entry.
TEST_P(Journal, ReloadBeforeTheStartIsNamedByTheStart) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    db.exec("INSERT INTO tb_peserta VALUES(4,'D4','Nama 4','084')");
    draw.list->join();
    draw.list->markBeforeRead(db.cn());
    draw.draw = openCursor(db.cn(), "tb_peserta", "ADOTable1");
    draw.list->seal(*draw.draw);
    draw.journal->recordListReloaded(draw.list->runStart().details);
    draw.stop(4);
    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"}, {"2", "program_started"}, {"3", "stop"}}));
    EXPECT_EQ(details(db, 2).value("participants").toInteger(), 4);
    EXPECT_EQ(record::Verification::of(db.path()).exitCode(), 0);
}

// The other way round: a change the database refuses leaves no entry.
TEST_P(Journal, RefusedChangeLeavesNoEntry) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    const auto participants = openCursor(db.cn(), "tb_peserta");
    participants->append();
    participants->setFieldText(0, "2"); // taken
    EXPECT_NE(errorOf([&] { participants->post(); }), "<no error>");
    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"}, {"2", "program_started"}}));
}

// Cursor writes map to their kinds, with the row as read and as stored.
TEST_P(Journal, CursorWritesAreRecordedWithTheirValues) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    const auto participants = openCursor(db.cn(), "tb_peserta");
    participants->edit();
    participants->setFieldText(2, "Nama Baru");
    participants->post();
    const auto settings = openCursor(db.cn(), "setup", "ADOTable2");
    settings->edit();
    settings->setFieldText(0, "120");
    settings->requery();

    EXPECT_EQ(
        kinds(db),
        (Rows{{"1", "journal_begun"}, {"2", "program_started"}, {"3", "participant_changed"}, {"4", "speed_changed"}}));
    EXPECT_EQ(details(db, 3), (QJsonObject{{"run", 2},
                                           {"rowid", 1},
                                           {"before", QJsonArray{"1", "D1", "Nama 1", "081"}},
                                           {"after", QJsonArray{"1", "D1", "Nama Baru", "081"}}}));
    EXPECT_EQ(details(db, 4).value("after"), (QJsonArray{"120", "0"}));
    EXPECT_EQ(details(db, 4).value("fields"), (QJsonArray{"speed", "pemenang_tidak_diundi_lagi"}));

    // Another setting of the row, stored at once: an entry of its own kind.
    settings->storeField(1, "1");
    EXPECT_EQ(kinds(db).back(), (std::vector<std::string>{"5", "setting_changed"}));
    EXPECT_EQ(details(db, 5).value("after"), (QJsonArray{"120", "1"}));
}

// A run's start written inside a change that then rolls back is written again with the next entry.
TEST_P(Journal, StartRolledBackWithItsTransactionIsWrittenAgain) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    {
        db::Transaction transaction(db.cn());
        draw.journal->append(record::event::kShow, {});
    } // rolled back
    EXPECT_FALSE(db.hasTable("tb_jurnal"));
    draw.journal->record(record::event::kCancel);
    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"}, {"2", "program_started"}, {"3", "cancel"}}));
    EXPECT_EQ(details(db, 3).value("run").toInteger(), 2);
}

// Two copies of the program on one file, or two desks on one server, write one chain, each entry naming its own run.
TEST_P(Journal, TwoCopiesShareOneChain) {
    TestDatabase db(GetParam());
    RecordedDraw first(db);
    first.start();
    OtherCopy other(db);

    first.journal->record(record::event::kShow);
    other.journal.record(record::event::kShow);
    first.journal->record(record::event::kCancel);
    EXPECT_EQ(kinds(db), (Rows{{"1", "journal_begun"},
                               {"2", "program_started"},
                               {"3", "show"},
                               {"4", "program_started"},
                               {"5", "show"},
                               {"6", "cancel"}}));
    EXPECT_EQ(details(db, 5).value("run").toInteger(), 4);
    EXPECT_EQ(details(db, 6).value("run").toInteger(), 2);
    EXPECT_EQ(record::Verification::of(db.path()).exitCode(), 0);
}

// The draw screen's question: has the participants table changed since the list was read?
TEST_P(SealedList, ChangeIsSeenByCountOrByAParticipantEntry) {
    TestDatabase db(GetParam());
    RecordedDraw draw(db);
    draw.start();
    EXPECT_EQ(draw.list->fingerprint(), record::Fingerprint::ofTable(db.cn(), "tb_peserta"));
    auto change = draw.list->changeSince(db.cn());
    EXPECT_FALSE(change.changed);

    draw.saveWinner("D1", "Nama 1", "TV"); // winners are not the list
    EXPECT_FALSE(draw.list->changeSince(db.cn()).changed);

    db.exec("INSERT INTO tb_peserta VALUES(4,'D4','Nama 4','084')"); // behind the program's back
    change = draw.list->changeSince(db.cn());
    EXPECT_TRUE(change.changed);
    EXPECT_EQ(change.inDraw, 3u);
    EXPECT_EQ(change.inTable, 4u);

    db.exec("DELETE FROM tb_peserta WHERE ID=4");
    EXPECT_FALSE(draw.list->changeSince(db.cn()).changed);
    // Another copy changes a name through its cursor: the count stays, its entry tells.
    OtherCopy other(db);
    record::CursorJournal otherHook(other.journal);
    other.connection.setRowWriteHook(&otherHook);
    const auto participants = openCursor(other.connection, "tb_peserta");
    participants->edit();
    participants->setFieldText(2, "Lain");
    participants->post();
    change = draw.list->changeSince(db.cn());
    EXPECT_TRUE(change.changed);
    EXPECT_EQ(change.inTable, 3u);
}

// Whether another view of the participants may take the list's rows instead of reading the table: only while
// nothing can have changed it, so also after a change that keeps the count, which the line above does not see.
TEST(SealedList, TableCountsAsUnchangedOnlyWhileNothingCanHaveChangedIt) {
    TestDatabase db;
    RecordedDraw draw(db);
    draw.start();
    EXPECT_TRUE(draw.list->tableUnchanged(db.cn()));
    draw.saveWinner("D1", "Nama 1", "TV"); // this program's winner: not the list
    EXPECT_TRUE(draw.list->tableUnchanged(db.cn()));
    draw.addParticipant(9); // this program's participant, journaled
    EXPECT_FALSE(draw.list->tableUnchanged(db.cn()));
    draw.reload();
    EXPECT_TRUE(draw.list->tableUnchanged(db.cn()));
    db.exec("UPDATE tb_peserta SET nama = 'Lain' WHERE ID = 2"); // elsewhere, the count kept
    EXPECT_FALSE(draw.list->changeSince(db.cn()).changed);
    EXPECT_FALSE(draw.list->tableUnchanged(db.cn()));
    draw.reload();
    db.exec("INSERT INTO tb_pemenang VALUES('D3', 'Nama 3', 'Radio')"); // elsewhere: whatever it was, it tells
    EXPECT_FALSE(draw.list->tableUnchanged(db.cn()));
}

// A line of information does not keep the screen waiting while another program locks the database; the
// connection's patience for the actions stays as it was.
TEST(SealedListOnAFile, ChangeCheckDoesNotWaitForALock) {
    TestDatabase db;
    RecordedDraw draw(db);
    draw.start();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_NE(errorOf([&] { draw.list->changeSince(db.cn()); }).find("locked"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500)); // the timeout is 3 s
    EXPECT_EQ(db.cn().busyTimeout(), 3000);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_FALSE(draw.list->changeSince(db.cn()).changed);
}

// Two desks start at once on a server. The draw desk's start waits while a registration desk's first participant,
// with that desk's own start, is not yet committed; when it is, the draw desk's start follows those entries, and the
// journal still accounts for every participant.
TEST(JournalOnAServer, AStartWaitingForAnotherDeskFollowsItsEntries) {
    TestDatabase db(Store::Server);
    record::Journal::createTable(db.cn()); // as each desk's start-up makes it
    RecordedDraw draw(db);
    draw.start();

    OtherCopy desk(db);
    record::CursorJournal hook(desk.journal);
    desk.connection.setRowWriteHook(&hook);
    db::Transaction typing(desk.connection);
    const auto participants = openCursor(desk.connection, "tb_peserta");
    participants->append();
    for (const auto& [field, text] : {std::pair<int, std::string>{0, "4"}, {1, "D4"}, {2, "Nama 4"}, {3, "084"}})
        participants->setFieldText(field, text);
    participants->post();

    std::thread starting([&] { draw.journal->ensureStarted(); });
    // Commit only once the draw desk waits for the registration desk.
    for (int i = 0; i < 500 && db.rows("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                       "AND wait_event_type = 'Lock'")[0][0] == "0";
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    typing.commit();
    starting.join();

    EXPECT_EQ(
        kinds(db),
        (Rows{{"1", "journal_begun"}, {"2", "program_started"}, {"3", "participant_added"}, {"4", "program_started"}}));
    const auto check = record::Verification::of(db.path());
    EXPECT_EQ(check.exitCode(), 0) << check.verdict().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Stores, Journal, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Stores, SealedList, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });

} // namespace
