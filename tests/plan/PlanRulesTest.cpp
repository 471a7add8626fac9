#include "core/record/Events.h"
#include "platform/Error.h"
#include "tests/plan/PlanSession.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <tuple>

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Start = core::Draw::Start;

// --- The plan's rows --------------------------------------------------------------------------------------------

struct Refused {
    const char* name;
    std::string prize, quantity, perRound;
    std::string message;
};

void PrintTo(const Refused& c, std::ostream* out) {
    *out << c.name;
}

class PrizeRowRefused : public ::testing::TestWithParam<Refused> {};

// A prize typed into the grid that breaks a rule of the plan is refused in the operator's words, and neither the
// row nor an entry stays.
TEST_P(PrizeRowRefused, NamesWhatIsWrong) {
    const Refused& c = GetParam();
    PlanSession s;
    s.session.journal().ensureStarted();
    const auto before = s.db.journal().size();
    EXPECT_EQ(errorOf([&] { s.addPrize(c.prize, c.quantity, c.perRound); }), c.message);
    EXPECT_EQ(s.db.count("tb_hadiah"), 0);
    EXPECT_EQ(s.db.journal().size(), before);
    EXPECT_FALSE(s.draw().planned());
}

INSTANTIATE_TEST_SUITE_P(
    Plan, PrizeRowRefused,
    ::testing::Values(
        Refused{"no name", "  ", "3", "", "Hadiah nomor 1 belum bernama: isi nama hadiahnya"},
        Refused{"no quantity", "TV", "", "", "Isi jumlah pemenang hadiah \"TV\": berapa pemenang hadiah itu"},
        Refused{"quantity zero", "TV", "0", "", "Jumlah pemenang hadiah \"TV\" paling sedikit 1, bukan 0"},
        Refused{"round of none", "TV", "3", "0", "Pemenang per putaran hadiah \"TV\" harus 1 sampai 50, bukan 0"},
        Refused{"round above 50", "Voucher", "100", "51",
                "Pemenang per putaran hadiah \"Voucher\" harus 1 sampai 50, bukan 51"},
        Refused{"round above quantity", "Motor", "3", "5",
                "Pemenang per putaran hadiah \"Motor\" (5) lebih dari jumlah pemenangnya (3)"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

// Rows typed in take the next urut, a round of one by default, and each has its entry with its values; a change
// has its values before and after.
TEST(PlanRows, AreJournaledAsTyped) {
    PlanSession s;
    s.addPrize("Mobil", "1");
    s.addPrize("Voucher", "30", "10");
    EXPECT_EQ(s.db.rows("SELECT urut, hadiah, jumlah, coalesce(per_putaran, 1) FROM tb_hadiah ORDER BY urut"),
              (Rows{{"1", "Mobil", "1", "1"}, {"2", "Voucher", "30", "10"}}));
    s.changePrize(2, "jumlah", "40");
    const auto added = s.entries(record::event::kPrizeAdded);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[1].value("values").toArray(), (QJsonArray{"2", "Voucher", "30", "10"}));
    const auto changed = s.entries(record::event::kPrizeChanged);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].value("before").toArray(), (QJsonArray{"2", "Voucher", "30", "10"}));
    EXPECT_EQ(changed[0].value("after").toArray(), (QJsonArray{"2", "Voucher", "40", "10"}));
    ASSERT_TRUE(s.draw().planned());
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("Mobil"));
}

// Once a prize is drawn, its quantity stays at least its winners, its urut stays, and it cannot be deleted; what
// has not been drawn may change freely, and the change is journaled.
TEST(PlanRows, ChangedMidEventWithinWhatIsDrawn) {
    PlanSession s;
    s.addPrize("TV", "5", "3");
    s.addPrize("Radio", "2");
    s.saveRound(); // 3 of the 5 televisions
    EXPECT_EQ(errorOf([&] { s.changePrize(1, "jumlah", "2"); }),
              "Jumlah pemenang hadiah \"TV\" tidak dapat kurang dari 3: sudah 3 pemenang diundi");
    EXPECT_EQ(errorOf([&] { s.changePrize(1, "urut", "7"); }), "Hadiah \"TV\" sudah diundi: nomor urutnya tetap 1");
    EXPECT_EQ(errorOf([&] { s.deletePrize(1); }),
              "Hadiah \"TV\" sudah diundi (3 pemenang dan tidak hadir): hadiah itu tidak dapat dihapus");
    s.changePrize(1, "jumlah", "3"); // down to what is drawn: its slots are filled
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("Radio"));
    s.changePrize(1, "jumlah", "4"); // one more television
    s.changePrize(1, "hadiah", "Televisi");
    s.deletePrize(2); // not drawn yet
    ASSERT_TRUE(s.draw().currentPrize());
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("Televisi"));
    EXPECT_EQ(s.draw().nextRoundSize(), 1);
    EXPECT_EQ(s.entries(record::event::kPrizeChanged).size(), 3u);
    EXPECT_EQ(s.entries(record::event::kPrizeDeleted).size(), 1u);
}

// --- The current prize and the rounds --------------------------------------------------------------------------

// The current prize is the first with a slot open; the operator may turn to another with a slot open; once every
// slot is filled "Acak" says so.
TEST(PlanRounds, GoInPlanOrderAndEndWhenEverySlotIsFilled) {
    PlanSession s;
    s.addPrize("Mobil", "1");
    s.addPrize("Motor", "3", "3");
    s.addPrize("TV", "2", "2");
    EXPECT_EQ(s.draw().currentPrize()->urut, 1);
    EXPECT_EQ(s.draw().turnPrize(1), core::Draw::Turn::Turned);
    EXPECT_EQ(s.draw().currentPrize()->urut, 2);
    EXPECT_EQ(s.draw().turnPrize(1), core::Draw::Turn::Turned);
    EXPECT_EQ(s.draw().turnPrize(1), core::Draw::Turn::NoOther);
    EXPECT_EQ(s.draw().currentPrize()->urut, 3);
    EXPECT_EQ(s.saveRound().winners.size(), 2u); // the televisions
    // Filled: back to the first with a slot open.
    EXPECT_EQ(s.draw().currentPrize()->urut, 1);
    EXPECT_EQ(s.draw().choosePrize(3), core::Draw::Turn::NoOther);
    EXPECT_EQ(s.saveRound().winners.size(), 1u);
    EXPECT_EQ(s.draw().currentPrize()->urut, 2);
    // Not while a round is drawn and not saved.
    s.drawRound();
    EXPECT_EQ(s.draw().turnPrize(-1), core::Draw::Turn::Busy);
    EXPECT_EQ(s.draw().start(), Start::RoundUnsaved);
    s.draw().save();
    EXPECT_TRUE(s.draw().plan().complete());
    EXPECT_EQ(s.draw().currentPrize(), nullptr);
    EXPECT_EQ(s.draw().start(), Start::PlanComplete);
    EXPECT_EQ(s.db.count("tb_pemenang"), 6);
}

// A round draws its prize's round, fewer when fewer slots are open (the last slots) or fewer may still win; its
// winners are distinct, and "&Simpan" stores them all with one entry naming them all, each tied to the plan.
TEST(PlanRounds, SaveTheWholeRoundInOneEntry) {
    PlanSession s(6);
    s.addPrize("Voucher", "7", "5");
    const auto first = s.saveRound();
    EXPECT_EQ(first.winners.size(), 5u);
    const std::vector<std::string> drawn = PlanSession::numbers(first);
    EXPECT_EQ(std::set<std::string>(drawn.begin(), drawn.end()).size(), 5u);
    EXPECT_EQ(s.draw().nextRoundSize(), 1); // 2 slots open, but one participant may still win
    const auto second = s.saveRound();
    EXPECT_EQ(second.winners.size(), 1u);
    EXPECT_EQ(s.draw().start(), Start::NobodyForPrize);

    EXPECT_EQ(s.db.count("tb_pemenang"), 6);
    const auto saved = s.entries(record::event::kRoundSaved);
    ASSERT_EQ(saved.size(), 2u);
    const QJsonArray winners = saved[0].value("winners").toArray();
    ASSERT_EQ(winners.size(), 5);
    const auto stops = s.entries(record::event::kRoundStopped);
    ASSERT_EQ(stops.size(), 2u);
    for (int i = 0; i < 5; ++i) {
        const QJsonObject winner = winners[i].toObject();
        const QJsonObject pick = stops[0].value("picks").toArray()[i].toObject();
        EXPECT_EQ(winner.value("id"), pick.value("id"));
        EXPECT_EQ(winner.value("values").toArray()[0], pick.value("no_undian"));
        EXPECT_EQ(winner.value("values").toArray()[2], QJsonValue("Voucher"));
        EXPECT_EQ(pick.value("n").toInt(), 6 - i); // those who may still win at each pick
        EXPECT_EQ(s.db.rows("SELECT urut_hadiah, id_peserta FROM tb_pemenang_hadiah WHERE pemenang=" +
                            std::to_string(winner.value("rowid").toInteger())),
                  (Rows{{"1", std::to_string(winner.value("id").toInteger())}}));
    }
    EXPECT_EQ(saved[0].value("prize").toInt(), 1);
    EXPECT_EQ(s.plan().prize(1)->drawn, 6);
}

// The pick is asked for an index among those who may still win, in ascending ID order, given the picks before it:
// the draw turns the index into the participant, skipping those already out.
TEST(PlanRounds, PickIndexesThoseWhoMayStillWinInIdOrder) {
    PlanSession s(10);
    s.addPrize("TV", "4", "2");
    ScriptedPick& pick = s.script();
    pick.next = {0, 0};
    EXPECT_EQ(PlanSession::numbers(s.saveRound()), (std::vector<std::string>{"D1", "D2"}));
    pick.next = {7, 0};
    EXPECT_EQ(PlanSession::numbers(s.drawRound()), (std::vector<std::string>{"D10", "D3"}));
    ASSERT_EQ(pick.asked.size(), 4u);
    EXPECT_EQ(pick.asked[2].n, 8u);
    EXPECT_EQ(pick.asked[3].n, 7u);
    EXPECT_EQ(pick.asked[3].place, 1);
    EXPECT_EQ(pick.asked[3].prize, 1);
    const QJsonArray picks = s.entries(record::event::kRoundStopped).back().value("picks").toArray();
    EXPECT_EQ(picks[0].toObject().value("rank").toInt(), 7);
    EXPECT_EQ(picks[1].toObject().value("rank").toInt(), 0);
    // "&Batal" gives the round up: its winners may win again.
    s.draw().cancel();
    EXPECT_EQ(s.draw().mayStillWin(), 8u);
    EXPECT_EQ(s.entries(record::event::kRoundCancelled).size(), 1u);
    EXPECT_EQ(s.db.count("tb_pemenang"), 2);
}

// Who may still win: not who was saved or found absent for the prize; with "Pemenang tidak diundi lagi" not who
// was picked for any prize, nor a draw number among the winners.
TEST(PlanRounds, WhoMayStillWin) {
    PlanSession s(8, [](TestDatabase& db) { db.exec("INSERT INTO tb_pemenang VALUES('D8','Nama 8','Kipas')"); });
    s.addPrize("TV", "3");
    s.addPrize("Radio", "3");
    ScriptedPick& pick = s.script();
    pick.next = {0};
    s.saveRound(); // D1 wins a television
    pick.next = {0};
    s.drawRound(); // D2 is called but not in the hall
    s.draw().forfeit(0, QStringLiteral("tidak hadir"));
    EXPECT_EQ(s.draw().mayStillWin(), 6u); // D1 and D2 out of the televisions, D8's old win counts not
    s.draw().turnPrize(1);
    EXPECT_EQ(s.draw().mayStillWin(), 8u); // everyone for the radios

    s.draw().setWinnersOnce(true);
    EXPECT_EQ(s.draw().mayStillWin(), 5u); // D1, D2 and D8 out of every prize
    EXPECT_EQ(s.draw().alreadyWon(), std::optional<std::size_t>(3));
    pick.next = {0};
    EXPECT_EQ(PlanSession::numbers(s.saveRound()), (std::vector<std::string>{"D3"}));
    s.draw().turnPrize(-1);
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("TV"));
    EXPECT_EQ(s.draw().mayStillWin(), 4u);
}

// --- Forfeits ----------------------------------------------------------------------------------------------------

// A winner of a round not yet saved found absent: the forfeit is kept, the round saves the others, and the slot is
// there for the next round of the prize.
TEST(Forfeits, OfARoundNotSaved) {
    PlanSession s(10);
    s.addPrize("Voucher", "3", "3");
    s.script().next = {0, 0, 0};
    s.drawRound();
    s.draw().forfeit(1, QStringLiteral("  menolak   hadiah "));
    s.draw().save();
    EXPECT_EQ(s.db.rows("SELECT * FROM tb_pemenang ORDER BY rowid"),
              (Rows{{"D1", "Nama 1", "Voucher"}, {"D3", "Nama 3", "Voucher"}}));
    EXPECT_EQ(s.db.rows("SELECT urut_hadiah, id_peserta, no_undian, nama, alasan, pemenang FROM tb_tidak_hadir"),
              (Rows{{"1", "2", "D2", "Nama 2", "menolak hadiah", "<null>"}}));
    const auto forfeited = s.entries(record::event::kWinnerForfeited);
    ASSERT_EQ(forfeited.size(), 1u);
    EXPECT_TRUE(forfeited[0].value("rowid").isNull());
    EXPECT_EQ(forfeited[0].value("alasan").toString(), QStringLiteral("menolak hadiah"));
    EXPECT_EQ(s.entries(record::event::kRoundSaved)[0].value("winners").toArray().size(), 2);
    EXPECT_EQ(s.draw().nextRoundSize(), 1);
    s.script().next = {0};
    EXPECT_EQ(PlanSession::numbers(s.saveRound()), (std::vector<std::string>{"D4"})); // not D2 again
    EXPECT_TRUE(s.plan().complete());
}

// A saved winner found absent (on the draw screen after the save, or on the winners screen): the winner row leaves
// the winners table with its record in the same transaction as the forfeit and its one entry; the slot opens again
// and the next round fills it, even after the draw had turned to another prize.
TEST(Forfeits, OfASavedWinnerReopensTheSlot) {
    PlanSession s(10);
    s.addPrize("Mobil", "1");
    s.addPrize("Motor", "2", "2");
    s.script().next = {4};
    s.saveRound(); // D5 wins the car
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("Motor"));
    const std::int64_t key = *s.draw().round()->winners[0].key;
    const auto entries = s.db.journal().size();
    s.draw().forfeitSaved(key, QStringLiteral("tidak memenuhi syarat"));
    EXPECT_EQ(s.db.count("tb_pemenang"), 0);
    EXPECT_EQ(s.db.count("tb_pemenang_hadiah"), 0);
    EXPECT_EQ(s.db.rows("SELECT id_peserta, alasan, pemenang FROM tb_tidak_hadir"),
              (Rows{{"5", "tidak memenuhi syarat", std::to_string(key)}}));
    EXPECT_EQ(s.db.journal().size(), entries + 1);
    const QJsonObject forfeited = s.entries(record::event::kWinnerForfeited)[0];
    EXPECT_EQ(forfeited.value("rowid").toInteger(), key);
    EXPECT_EQ(forfeited.value("values").toArray(), (QJsonArray{"D5", "Nama 5", "Mobil"}));
    EXPECT_TRUE(s.draw().round()->winners[0].forfeited);
    // The car's slot is the one the next round fills, and D5 is not drawn for it again.
    ASSERT_EQ(s.draw().currentPrize()->name, QStringLiteral("Mobil"));
    EXPECT_EQ(s.draw().mayStillWin(), 9u);
    s.script().next = {4};
    EXPECT_EQ(PlanSession::numbers(s.saveRound()), (std::vector<std::string>{"D6"}));
    // A winner typed into the winners grid is no winner of the plan: nothing to reopen.
    s.db.exec("INSERT INTO tb_pemenang VALUES('X1','Tamu','Kipas')");
    const std::int64_t typed = std::stoll(s.db.rows("SELECT max(rowid) FROM tb_pemenang")[0][0]);
    EXPECT_NE(errorOf([&] { s.draw().forfeitSaved(typed, QStringLiteral("tidak hadir")); }).find("tidak diundi dari"),
              std::string::npos);
    EXPECT_EQ(errorOf([&] { s.draw().forfeit(0, QStringLiteral(" ")); }), "Isi alasannya: mengapa pemenang ini gugur");
}

// A winner of the plan deleted in the winners grid takes its record with it: its slot opens again.
TEST(Forfeits, DeletedWinnerReopensItsSlot) {
    PlanSession s(5);
    s.addPrize("TV", "1");
    s.saveRound();
    EXPECT_TRUE(s.plan().complete());
    db::TableCursor winners("ADOTable1");
    winners.setConnection(&s.session.connection());
    winners.setTableName("tb_pemenang");
    winners.open();
    winners.remove();
    PlanSession::settle();
    EXPECT_EQ(s.db.count("tb_pemenang_hadiah"), 0);
    EXPECT_EQ(s.entries(record::event::kWinnerDeleted)[0].value("prize").toInt(), 1);
    EXPECT_FALSE(s.plan().complete());
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("TV"));
}

// The last slot: a round drawn for more slots than the prize has by the time it is saved (the plan was lowered
// meanwhile) is refused whole, and stays to be cancelled.
TEST(PlanRounds, SaveRefusedWhenTheSlotsWentMeanwhile) {
    PlanSession s(10);
    s.addPrize("TV", "4", "3");
    s.drawRound();
    s.changePrize(1, "per_putaran", "2");
    s.changePrize(1, "jumlah", "2");
    EXPECT_EQ(errorOf([&] { s.draw().save(); }),
              "Hadiah \"TV\" tinggal 2 tempat pemenang, putaran ini 3 pemenang: batalkan putaran ini");
    EXPECT_EQ(s.db.count("tb_pemenang"), 0);
    EXPECT_TRUE(s.draw().canSave()); // nothing changed: it may be saved again, or cancelled
    s.draw().cancel();
    EXPECT_EQ(s.saveRound().winners.size(), 2u);
}

// What a save or a forfeit did is in the plan at once, as the tables hold it, before and without reading them again
// (another program may hold the database at that moment): the next round never draws the winners just saved.
TEST(PlanRounds, ASaveAndAForfeitCountBeforeTheTablesAreReadAgain) {
    PlanSession s(10);
    s.addPrize("TV", "5", "2");
    core::PrizePlan& plan = s.plan();
    const auto keys = plan.saveRound(
        1, 0,
        {{3, QStringLiteral("D3"), QStringLiteral("Nama 3")}, {4, QStringLiteral("D4"), QStringLiteral("Nama 4")}});
    plan.forfeit({1, 7, QStringLiteral("D7"), QStringLiteral("Nama 7"), QStringLiteral("tidak hadir"), {}, 0});
    plan.forfeit({1, 3, QStringLiteral("D3"), QStringLiteral("Nama 3"), QStringLiteral("tidak hadir"), keys[0], 0});
    const auto inMemory = [&] {
        std::multiset<std::pair<std::int64_t, std::int64_t>> picks;
        for (const core::PrizePick& pick : plan.picks())
            picks.insert({pick.prize, pick.participant});
        return std::tuple(picks, plan.prize(1)->drawn, plan.prize(1)->forfeited);
    };
    const auto before = inMemory();
    EXPECT_EQ(std::get<1>(before), 1);
    EXPECT_EQ(std::get<2>(before), 2);
    plan.read();
    EXPECT_EQ(inMemory(), before);
}

// Without a plan nothing of it shows: the draw is the one of a winner at a time.
TEST(PlanRounds, WithoutAPlanTheDrawIsAsItWas) {
    PlanSession s(3);
    EXPECT_FALSE(s.draw().planned());
    EXPECT_EQ(s.draw().start(), Start::Started);
    s.draw().tick();
    s.draw().stop();
    EXPECT_FALSE(s.draw().round());
    s.draw().show();
    s.draw().setPrize(QStringLiteral("Kipas"));
    s.draw().save();
    EXPECT_EQ(s.db.count("tb_pemenang"), 1);
    EXPECT_EQ(s.db.rows("SELECT count(*) FROM sqlite_master WHERE name LIKE 'tb_hadiah'"), (Rows{{"0"}}));
    EXPECT_EQ(s.entries(record::event::kWinnerSaved).size(), 1u);
}

} // namespace
