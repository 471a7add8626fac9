#include "core/record/Verification.h"
#include "tests/record/DocScript.h"
#include "tests/record/RecordedDraw.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// One run of the program: three winners drawn, the third deleted on the winners screen, one draw stopped and not
// saved. Entries: 1 journal_begun, 2 program_started, 3 stop, 4 winner_saved (row 1, 'TV'), 5 stop,
// 6 winner_saved (row 2), 7 stop, 8 winner_saved (row 3), 9 winner_deleted (row 3), 10 stop, 11 program_ended.
Store storeOf(Store store) {
    return store;
}
template <class Case> Store storeOf(const std::tuple<Store, Case>& param) {
    return std::get<0>(param);
}

template <class Param> class VerifiedFixture : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        RecordedDraw draw(db);
        draw.start();
        draw.drawWinner(2, QStringLiteral("TV"));
        draw.drawWinner(3, QStringLiteral("Kulkas"));
        draw.deleteWinner(draw.drawWinner(1, QStringLiteral("Sepeda")));
        draw.stop(1);
        draw.end();
        db.cn().close();
    }
    TestDatabase db{storeOf(this->GetParam())};
};

class Verified : public VerifiedFixture<Store> {};

TEST_P(Verified, IntactJournalReportsRunsWinnersAndOk) {
    const auto check = record::Verification::of(db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    const QString fingerprint = check.runs().at(0).fingerprint;
    const QStringList lines = check.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("Run of entry #2, started 2024-05-01T09:00:01.000Z: 3 participants, "
                                              "fingerprint %1, speed 50 ms")
                                   .arg(fingerprint)));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("  entry #4, 2024-05-01T09:00:03.000Z: winner saved row 1: 'D2', 'Nama 2', 'TV'")));
    EXPECT_TRUE(lines.contains(
        QStringLiteral("  entry #9, 2024-05-01T09:00:08.000Z: winner deleted row 3: 'D1', 'Nama 1', 'Sepeda'")));
    EXPECT_EQ(lines.back(), QStringLiteral("OK: 11 entries, last hash ") + check.lastHash());
    ASSERT_EQ(check.unsavedStops().size(), 1u);
    EXPECT_EQ(check.unsavedStops()[0].seq, 10);

    // The hand check of the document agrees (it reads a file).
    if (db.store() != Store::File) return;
    const auto byHand = docscript::run("chain", {QString::fromStdString(db.path())});
    EXPECT_EQ(byHand.exitCode, 0);
    EXPECT_EQ(QString::fromStdString(byHand.out), lines.back());
}

struct Tampering {
    const char* name;
    const char* sql; // run with the sqlite3 tool's rights, behind the program's back
    int exitCode;
    const char* verdict;                 // what the last line says
    const char* serverVerdict = nullptr; // where a server, which never gives a rowid twice, numbers the row otherwise
};

std::ostream& operator<<(std::ostream& out, const Tampering& t) {
    return out << t.name;
}

const Tampering tamperings[] = {
    {"changed_prize", "UPDATE tb_pemenang SET hadiah='Mobil' WHERE rowid=1", 1,
     "BROKEN: winner row 1 is 'D2', 'Nama 2', 'Mobil', but entry #4 left it as 'D2', 'Nama 2', 'TV': it was changed "
     "outside the program"},
    {"deleted_journal_row", "DELETE FROM tb_jurnal WHERE urut=5", 1,
     "BROKEN: entry #5 is missing: entry #4 is followed by entry #6"},
    {"reordered_entries",
     "UPDATE tb_jurnal SET urut=-1 WHERE urut=5; UPDATE tb_jurnal SET urut=5 WHERE urut=6;"
     "UPDATE tb_jurnal SET urut=6 WHERE urut=-1",
     1, "BROKEN: entry #5 does not follow entry #4: its previous hash is not the hash of entry #4"},
    {"winner_inserted_without_entry", "INSERT INTO tb_pemenang VALUES('D9','Siapa','Motor')", 1,
     "BROKEN: winner row 3 ('D9', 'Siapa', 'Motor') was not saved by the program and was not there when the journal "
     "began",
     "BROKEN: winner row 4 ('D9', 'Siapa', 'Motor') was not saved by the program and was not there when the journal "
     "began"},
    {"winner_deleted_without_entry", "DELETE FROM tb_pemenang WHERE rowid=2", 1,
     "BROKEN: winner row 2 ('D3', 'Nama 3', 'Kulkas'), saved in entry #6, is missing and no entry deletes it"},
    {"prize_changed_in_its_entry", "UPDATE tb_jurnal SET rincian=replace(rincian,'\"TV\"','\"Mobil\"') WHERE urut=4", 1,
     "BROKEN: entry #4 does not match its hash: it was changed or moved after it was written"},
    {"entry_moved_in_between",
     "INSERT INTO tb_jurnal SELECT 12, waktu, jenis, rincian, hash_sebelum, hash FROM tb_jurnal WHERE urut=3;"
     "DELETE FROM tb_jurnal WHERE urut=3",
     1, "BROKEN: entry #3 is missing: entry #2 is followed by entry #4"},
    {"participant_renamed_outside", "UPDATE tb_peserta SET nama='Palsu' WHERE ID=1", 1,
     "BROKEN: the participants changed outside the program: the table holds 3 participants"},
    {"journal_dropped", "DROP TABLE tb_jurnal", 1, "BROKEN: the database holds no journal (no table tb_jurnal)"},
    // Deleted and stored again with the same values, as a VACUUM that numbers the rows anew: the same winners.
    {"winner_row_renumbered",
     "DELETE FROM tb_pemenang WHERE rowid=1; INSERT INTO tb_pemenang VALUES('D2','Nama 2','TV')", 0, "OK: 11 entries"},
    // What the chain cannot see alone: the last entries cut off. The last hash differs from the one the minutes
    // printed.
    {"last_entry_cut_off", "DELETE FROM tb_jurnal WHERE urut=11", 0, "OK: 10 entries"},
};

class Tampered : public VerifiedFixture<std::tuple<Store, Tampering>> {};

TEST_P(Tampered, IsReportedNamingTheEntryOrRow) {
    const Tampering& c = std::get<1>(GetParam());
    db.exec(c.sql);
    const auto check = record::Verification::of(db.path());
    const char* verdict = db.store() == Store::Server && c.serverVerdict ? c.serverVerdict : c.verdict;
    EXPECT_EQ(check.exitCode(), c.exitCode) << check.text().toStdString();
    EXPECT_TRUE(check.verdict().startsWith(QString::fromUtf8(verdict))) << check.verdict().toStdString();
    EXPECT_TRUE(check.text().endsWith(check.verdict() + QLatin1Char('\n')));
}

INSTANTIATE_TEST_SUITE_P(BehindTheProgramsBack, Tampered,
                         ::testing::Combine(::testing::ValuesIn(kStores), ::testing::ValuesIn(tamperings)),
                         [](const auto& info) {
                             return std::string(storeName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

// The document's hand check reads a file.
class VerifiedFile : public VerifiedFixture<Store> {};

TEST_P(VerifiedFile, HandCheckFindsTheSameBreak) {
    db.exec("UPDATE tb_jurnal SET rincian=replace(rincian,'\"TV\"','\"Mobil\"') WHERE urut=4");
    const auto byHand = docscript::run("chain", {QString::fromStdString(db.path())});
    EXPECT_NE(byHand.exitCode, 0);
    EXPECT_EQ(byHand.out, "entry #4 does not match its hash");
}

// A database the program never opened has no journal. With nothing in it there is nothing to check; a row in it
// that no journal accounts for is what a journal would have caught.
struct WithoutJournal {
    const char* name;
    const char* sql; // on a database made from the schema
    int exitCode;
    const char* verdict;
};

std::ostream& operator<<(std::ostream& out, const WithoutJournal& w) {
    return out << w.name;
}

const WithoutJournal withoutJournal[] = {
    {"made_empty", "", 0, "OK: nothing to check: the database holds no journal, no participants and no winners"},
    {"speed_set", "UPDATE setup SET speed=120", 0, "OK: nothing to check"},
    {"a_participant", "INSERT INTO tb_peserta VALUES(1,'D1','Ani','0812')", 1,
     "BROKEN: the database holds no journal (no table tb_jurnal)"},
    {"a_winner", "INSERT INTO tb_pemenang VALUES('D1','Ani','TV')", 1,
     "BROKEN: the database holds no journal (no table tb_jurnal)"},
    {"a_row_in_another_table", "CREATE TABLE \"odd \"\"name\"(x); INSERT INTO \"odd \"\"name\" VALUES(1)", 1,
     "BROKEN: the database holds no journal"},
};

class NeverOpened : public ::testing::TestWithParam<WithoutJournal> {};

TEST_P(NeverOpened, IsCheckedByWhatItHolds) {
    TestDatabase db;
    if (*GetParam().sql) db.exec(GetParam().sql);
    const auto check = record::Verification::of(db.path());
    EXPECT_EQ(check.exitCode(), GetParam().exitCode) << check.text().toStdString();
    EXPECT_TRUE(check.verdict().startsWith(QString::fromUtf8(GetParam().verdict))) << check.verdict().toStdString();
    EXPECT_TRUE(check.text().endsWith(check.verdict() + QLatin1Char('\n')));
}

INSTANTIATE_TEST_SUITE_P(WithoutJournal, NeverOpened, ::testing::ValuesIn(withoutJournal),
                         [](const auto& info) { return std::string(info.param.name); });

// A run that read its list again: its draws after that are held to the new list, which the report names under the
// run. Entries: 1 journal_begun, 2 program_started (3 participants), 3 stop, 4 winner_saved, 5 participant_added,
// 6 list_reloaded (4 participants), 7 stop, 8 winner_saved, 9 program_ended. The fourth participant is typed in on
// the participants screen, or, as a tampering, put in behind the program's back (entry 5 is then the reload).
record::Verification reloadedRun(TestDatabase& db, bool addedOutside) {
    RecordedDraw draw(db);
    draw.start();
    draw.drawWinner(2, QStringLiteral("TV"));
    if (addedOutside)
        db.exec("INSERT INTO tb_peserta VALUES(4,'D4','Nama 4','084')");
    else
        draw.addParticipant(4);
    draw.reload();
    draw.drawWinner(4, QStringLiteral("Kulkas"));
    draw.end();
    db.cn().close();
    return record::Verification::of(db.path());
}

class Verification : public ::testing::TestWithParam<Store> {};

TEST_P(Verification, ReloadedListIsTheListDrawnFromThen) {
    TestDatabase db(GetParam());
    const auto check = reloadedRun(db, false);
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    ASSERT_EQ(check.runs().size(), 1u);
    const auto& run = check.runs()[0];
    EXPECT_EQ(run.participants, 3u);
    ASSERT_EQ(run.reloads.size(), 1u);
    EXPECT_EQ(run.reloads[0].seq, 6);
    EXPECT_EQ(run.reloads[0].participants, 4u);
    // The list as the table holds it now, by the document's own script (it reads a file).
    if (db.store() == Store::File) {
        EXPECT_EQ(docscript::run("fingerprint", {QString::fromStdString(db.path())}).out,
                  "4 " + run.reloads[0].fingerprint.toStdString());
    }
    const QStringList lines = check.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto at = [&](const QString& start) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].startsWith(start)) return i;
        return qsizetype(-1);
    };
    // Under its run, between the winners saved before and after it.
    EXPECT_TRUE(lines.contains(QStringLiteral("  entry #6, 2024-05-01T09:00:05.000Z: list reloaded: 4 participants, "
                                              "fingerprint ") +
                               run.reloads[0].fingerprint));
    EXPECT_LT(at(QStringLiteral("  entry #4,")), at(QStringLiteral("  entry #6,")));
    EXPECT_LT(at(QStringLiteral("  entry #6,")), at(QStringLiteral("  entry #8,")));
}

// The lists the minutes name: those in force when something was drawn, saved or deleted. A list read again before
// anything was drawn from it (a run started on an empty table, the list imported, then read again) is not one.
TEST_P(Verification, ListsDrawnFromAreThoseInForceAtADraw) {
    {
        TestDatabase db(GetParam()); // drew from the list it started with, then from the one read again
        const auto lists = reloadedRun(db, false).listsDrawnFrom();
        ASSERT_EQ(lists.size(), 2u);
        EXPECT_EQ(std::tuple(lists[0].seq, lists[0].participants, lists[0].reloaded), std::tuple(2, 3u, false));
        EXPECT_EQ(std::tuple(lists[1].seq, lists[1].participants, lists[1].reloaded), std::tuple(6, 4u, true));
        EXPECT_EQ(lists[1].run, 2);
    }
    TestDatabase db(GetParam()); // read again before the first draw: its own list drew nothing
    RecordedDraw draw(db, 0);
    draw.start();
    draw.addParticipant(1);
    draw.addParticipant(2);
    draw.reload();
    const std::int64_t saved = draw.drawWinner(2, QStringLiteral("TV"));
    draw.deleteWinner(saved);
    draw.end();
    db.cn().close();
    const auto check = record::Verification::of(db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    const auto lists = check.listsDrawnFrom();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_TRUE(lists[0].reloaded);
    EXPECT_EQ(lists[0].participants, 2u);
    EXPECT_EQ(lists[0].fingerprint, check.runs().at(0).reloads.at(0).fingerprint);
}

TEST_P(Verification, ListChangedOutsideBeforeOrAfterAReloadIsBroken) {
    {
        TestDatabase db(GetParam()); // the fourth participant came in behind the program's back: the reload found it
        const auto check = reloadedRun(db, true);
        EXPECT_EQ(check.exitCode(), 1);
        EXPECT_TRUE(check.verdict().startsWith(
            QStringLiteral("BROKEN: the participants changed outside the program: entry #5 found 4 participants")))
            << check.verdict().toStdString();
    }
    TestDatabase db(
        GetParam()); // changed behind the program's back after the reload: the table against the reloaded list
    reloadedRun(db, false);
    db.exec("UPDATE tb_peserta SET nama='Palsu' WHERE ID=4");
    const auto check = record::Verification::of(db.path());
    EXPECT_EQ(check.exitCode(), 1);
    EXPECT_TRUE(check.verdict().contains(QStringLiteral(", entry #6 found 4 ("))) << check.verdict().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Stores, Verified, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });
INSTANTIATE_TEST_SUITE_P(FileOnly, VerifiedFile, ::testing::Values(Store::File),
                         [](const auto& info) { return std::string(storeName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Stores, Verification, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });

TEST(VerificationOfAFile, FileThatCannotBeReadIsUnreadable) {
    const QTemporaryDir scratch;
    const std::filesystem::path dir = scratch.path().toStdString();
    const auto missing = (dir / "db_sms.mdb").string();
    EXPECT_EQ(record::Verification::of(missing).exitCode(), 2);
    std::ofstream(missing) << "not a database, only some text that is long enough to be a header of something";
    const auto check = record::Verification::of(missing);
    EXPECT_EQ(check.exitCode(), 2);
    EXPECT_TRUE(check.verdict().startsWith(QStringLiteral("UNREADABLE: "))) << check.verdict().toStdString();
}

} // namespace
