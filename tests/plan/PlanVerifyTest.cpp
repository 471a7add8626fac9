#include "core/minutes/Minutes.h"
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "platform/db/Statement.h"
#include "tests/plan/PlanSession.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>

namespace {

// An event with a plan, run as the draw screen runs it: the plan imported, the car drawn, a round of televisions with
// its second winner found absent before the save, a round whose first winner forfeits after the save, the rest of the
// televisions, and a prize renamed in the grid.
class PlannedEvent : public ::testing::Test {
protected:
    void SetUp() override {
        QTemporaryDir dir;
        const std::string csv = dir.filePath("hadiah.csv").toStdString();
        std::ofstream(csv) << "Hadiah,Jumlah,Per putaran\nMobil,1,1\nTV,4,2\n";
        ASSERT_TRUE(s.plan().importFrom(csv).refusal.isEmpty());
        s.draw().readPlan();
        ScriptedPick& pick = s.script();
        pick.next = {0};
        s.saveRound(); // D1 wins the car
        pick.next = {0, 0};
        s.drawRound(); // D1 may win a television as well: D1, D2
        s.draw().forfeit(1, QStringLiteral("tidak hadir"));
        s.draw().save(); // D1
        pick.next = {0, 0};
        forfeitedKey = *s.saveRound().winners[0].key; // D3 and D4: D1 and D2 are out of the televisions
        s.draw().forfeitSaved(forfeitedKey, QStringLiteral("menolak hadiah"));
        pick.next = {0, 0};
        s.saveRound(); // D5, D6 fill the two slots open
        s.changePrize(2, "hadiah", "Televisi");
    }

    PlanSession s{20};
    std::int64_t forfeitedKey = 0;
};

TEST_F(PlannedEvent, VerifiesAndReportsRoundsAndForfeits) {
    const auto check = record::Verification::of(s.db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    EXPECT_TRUE(check.planned());
    ASSERT_EQ(check.plan().size(), 2u);
    EXPECT_EQ(check.plan()[1].name, QStringLiteral("Televisi"));
    EXPECT_EQ(check.plan()[1].quantity, 4);
    EXPECT_EQ(check.plan()[1].perRound, 2);
    ASSERT_EQ(check.forfeits().size(), 2u);
    EXPECT_EQ(check.forfeits()[0].number, QStringLiteral("D2"));
    EXPECT_FALSE(check.forfeits()[0].winnerRowid);
    EXPECT_EQ(check.forfeits()[1].number, QStringLiteral("D3"));
    EXPECT_EQ(check.forfeits()[1].winnerRowid, std::optional<std::int64_t>(forfeitedKey));
    // Who took the slots: the first televisions saved after each forfeit, not of the absent one's own round.
    const auto replacedBy = check.replacements();
    ASSERT_TRUE(replacedBy[0] && replacedBy[1]);
    EXPECT_EQ(replacedBy[0]->values.at(0).toString(), QStringLiteral("D3"));
    EXPECT_EQ(replacedBy[1]->values.at(0).toString(), QStringLiteral("D5"));
    const QString text = check.text();
    EXPECT_TRUE(text.contains(QStringLiteral(": prize plan imported: 2 prizes\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(": winner of prize 2 forfeited (tidak hadir): participant 2, 'D2', "
                                             "'Nama 2', not yet saved\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(": winner of prize 2 forfeited (menolak hadiah): participant 3, 'D3', "
                                             "'Nama 3', row %1 removed\n")
                                  .arg(forfeitedKey)));
    EXPECT_TRUE(text.contains(QStringLiteral(": winner of prize 1 saved row 1: 'D1', 'Nama 1', 'Mobil'\n")));
    EXPECT_TRUE(text.contains(QStringLiteral(": prize of the plan changed: '2', 'TV', '4', '2' became '2', "
                                             "'Televisi', '4', '2'\n")));
}

// The minutes list per prize its quantity, its winners in order, those who forfeited with their reason and who took
// their slot, and the slots still open.
TEST_F(PlannedEvent, MinutesListEachPrize) {
    const auto check = record::Verification::of(s.db.path());
    const QString html = Minutes::html(
        check, {QStringLiteral("Tombolika"), QStringLiteral("1.2"), QDateTime::currentDateTime(), QString()});
    EXPECT_TRUE(html.contains(QStringLiteral("Daftar hadiah</h3>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<h4>2. Televisi</h4>")));
    EXPECT_TRUE(html.contains(QStringLiteral("Jumlah pemenang: 4 (per putaran 2). Pemenang: 4. Tempat yang masih "
                                             "kosong: 0.")));
    EXPECT_TRUE(html.contains(QStringLiteral("Jumlah pemenang: 1 (per putaran 1). Pemenang: 1. Tempat yang masih "
                                             "kosong: 0.")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>menolak hadiah</td><td>D5 Nama 5</td>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<td>tidak hadir</td><td>D3 Nama 3</td>")));
    // A forfeited winner is not among the winners deleted.
    EXPECT_TRUE(html.contains(QStringLiteral("Pemenang yang dihapus</h3><p>Tidak ada.</p>")));
}

struct Tampering {
    const char* name;
    std::string sql;     // with the sqlite3 tool's rights, behind the program's back
    const char* problem; // the start of the problem it leaves
};

void PrintTo(const Tampering& t, std::ostream* out) {
    *out << t.name;
}

class PlanTampered : public PlannedEvent, public ::testing::WithParamInterface<Tampering> {};

// What was done to the plan's tables behind the program's back is found and named.
TEST_P(PlanTampered, IsFound) {
    s.db.exec(GetParam().sql);
    const auto check = record::Verification::of(s.db.path());
    EXPECT_EQ(check.exitCode(), 1);
    const QStringList problems = check.problems();
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [](const QString& p) {
        return p.startsWith(QLatin1String(GetParam().problem));
    })) << check.text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Plan, PlanTampered,
    ::testing::Values(
        Tampering{"quantity_changed", "UPDATE tb_hadiah SET jumlah=9 WHERE urut=2",
                  "prize 2 of the plan is ('Televisi', 9, 2), but entry #"},
        Tampering{"prize_added", "INSERT INTO tb_hadiah VALUES(9,'Kipas',1,1)",
                  "prize 9 ('Kipas', 1, 1) of the plan was not added by the program"},
        Tampering{"prize_deleted", "DELETE FROM tb_hadiah WHERE urut=1",
                  "prize 1 ('Mobil', 1, 1) of the plan, left so by entry #"},
        Tampering{"winner_of_a_round_added",
                  "INSERT INTO tb_pemenang VALUES('D20','Nama 20','Televisi');"
                  "INSERT INTO tb_pemenang_hadiah (pemenang, urut_hadiah, id_peserta, putaran) "
                  "VALUES(last_insert_rowid(), 2, 20, 0)",
                  "the plan's record of winner row 7 (prize 2, participant 20) was not made by the program"},
        Tampering{"record_deleted", "DELETE FROM tb_pemenang_hadiah WHERE pemenang=1",
                  "winner row 1 ('D1', 'Nama 1', 'Mobil') of prize 1, saved in entry #"},
        Tampering{"record_changed", "UPDATE tb_pemenang_hadiah SET id_peserta=7 WHERE pemenang=1",
                  "the plan's record of winner row 1 is prize 1, participant 7"},
        Tampering{"forfeit_added",
                  "INSERT INTO tb_tidak_hadir (urut_hadiah, id_peserta, no_undian, nama, alasan, waktu) "
                  "VALUES(1, 1, 'D1', 'Nama 1', 'tidak hadir', '2024-05-01T09:00:00.000Z')",
                  "forfeit row 3 (prize 1, 'D1', 'Nama 1', 'tidak hadir') was not recorded by the program"},
        Tampering{"forfeit_deleted", "DELETE FROM tb_tidak_hadir WHERE urut=1",
                  "forfeit row 1 (prize 2, 'D2', 'Nama 2', 'tidak hadir'), recorded in entry #"},
        Tampering{"reason_changed", "UPDATE tb_tidak_hadir SET alasan='sakit' WHERE urut=2",
                  "forfeit row 2 is prize 2, 'D3', 'Nama 3', 'sakit', but entry #"},
        Tampering{"forfeited_winner_put_back", "INSERT INTO tb_pemenang VALUES('D3','Nama 3','TV')",
                  "winner row 7 ('D3', 'Nama 3', 'TV') was not saved by the program"}),
    [](const auto& info) { return std::string(info.param.name); });

// A prize with more winners than it has, as only a record written past the plan's rules could leave it, is named.
TEST(PlanVerify, MoreWinnersThanThePrizeHas) {
    PlanSession s(5);
    s.addPrize("Mobil", "1");
    s.saveRound();
    record::Journal& journal = s.session.journal();
    journal.recordChange(record::event::kRoundSaved, [&] {
        s.session.connection().exec("INSERT INTO tb_pemenang VALUES('D5','Nama 5','Mobil')");
        const std::int64_t key = s.session.connection().lastInsertRowid();
        db::Statement record(s.session.connection(), "INSERT INTO tb_pemenang_hadiah (pemenang, urut_hadiah, "
                                                     "id_peserta, putaran) VALUES(?, 1, 5, 0)");
        record.bindInt(1, key);
        record.step();
        return QJsonObject{{"round", 0},
                           {"prize", 1},
                           {"winners", QJsonArray{QJsonObject{{"rowid", static_cast<double>(key)},
                                                              {"id", 5},
                                                              {"values", QJsonArray{"D5", "Nama 5", "Mobil"}}}}}};
    });
    const auto check = record::Verification::of(s.db.path());
    EXPECT_EQ(check.problems(), QStringList{QStringLiteral("prize 1 ('Mobil') has 2 winners, more than its 1")});
}

} // namespace
