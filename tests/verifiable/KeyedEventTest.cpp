// The keyed draw as the program runs it, without a screen: the seal, the key, rounds whose picks are the method's
// (checked against the test vector of docs/verifiable-draw.md), a run that ends in the middle, and what the draw
// refuses while the event is not as sealed.
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "platform/Error.h"
#include "tests/verifiable/KeyedSession.h"
#include "tests/verifiable/TestVector.h"

#include <QJsonArray>
#include <functional>
#include <gtest/gtest.h>

namespace {

using core::Draw;

std::vector<keyed::Row> vectorRows(const vector::TestVector& v) {
    std::vector<keyed::Row> rows;
    for (const auto& row : v.rows)
        rows.push_back(row);
    return rows;
}

// The document's event, drawn by the program: the seal gives the vector's fingerprints, its values the vector's key,
// and its rounds the vector's picks, the forfeit of pick 3 and its refill included; the check then recomputes them.
TEST(KeyedEvent, TheProgramDrawsTheDocumentsVector) {
    const vector::TestVector v = vector::load();
    PlanSession event(0, [&](TestDatabase& db) { db.exec(keyed::insertParticipants(vectorRows(v))); });
    for (const verifiable::PrizeRow& prize : v.plan)
        event.addPrize(prize.hadiah, std::to_string(prize.jumlah), std::to_string(prize.perRound));

    const auto seal = event.draw().sealEvent({true, keyed::sources(), 2});
    ASSERT_TRUE(seal);
    EXPECT_EQ(seal->participants, v.L);
    EXPECT_EQ(seal->publicList, v.Lp);
    EXPECT_EQ(seal->plan, v.P);
    EXPECT_EQ(seal->count, 25u);
    const verifiable::FixedKey key = event.draw().fixKey(v.publicValues, v.witnessValues);
    EXPECT_EQ(key.key.toHex().toStdString(), v.K);
    EXPECT_EQ(key.shortKey(), QStringLiteral("9e11 d07d 3479 8680"));
    EXPECT_EQ(key.witnessValues[1], QStringLiteral("Budi Santoso 17")) << "the values as the key takes them";

    std::vector<verifiable::Pick> picks;
    for (const vector::Round& round : v.rounds) {
        ASSERT_EQ(event.draw().currentPrize()->urut, round.prize) << "prizes in urut order";
        const core::PlanRound& drawn = event.drawRound();
        ASSERT_EQ(drawn.winners.size(), static_cast<std::size_t>(round.picks));
        for (std::size_t place = 0; place < drawn.winners.size(); ++place)
            if (std::count(v.forfeits.begin(), v.forfeits.end(), drawn.winners[place].pick))
                event.draw().forfeit(place, QStringLiteral("tidak hadir"));
        const auto made = keyed::picksOf(*event.draw().round());
        picks.insert(picks.end(), made.begin(), made.end());
        event.draw().save();
    }
    ASSERT_EQ(picks.size(), v.picks.size());
    for (std::size_t at = 0; at < picks.size(); ++at)
        EXPECT_EQ(picks[at], v.picks[at]) << "pick " << at + 1;
    EXPECT_TRUE(event.plan().complete());

    const auto check = record::Verification::of(event.db.path());
    EXPECT_EQ(check.outcome(), record::Verification::Outcome::Intact) << check.text().toStdString();
    const QJsonObject json = check.json();
    for (const char* field : {"L", "Lp", "P", "K", "R", "picks", "rounds", "forfeits", "plan"})
        EXPECT_EQ(json[QLatin1String(field)], v.json[QLatin1String(field)]) << field;
    EXPECT_NE(check.text().indexOf(QStringLiteral("11 of 11 picks agree with the key")), -1);
}

// The same event drawn twice: once in one run, once with the program ended after every round, and once between a
// round's "Stop" and its save. The next start goes on at the next pick, and a round stopped comes back as it was.
TEST(KeyedEvent, ARunThatEndsGoesOnAtTheSamePick) {
    const auto prepare = [](PlanSession& event) {
        event.addPrize("Motor", "2", "1");
        event.addPrize("TV", "7", "3");
        keyed::sealAndFixKey(event);
    };
    TestDatabase oneRun;
    oneRun.addParticipants(40);
    std::vector<std::int64_t> straight;
    {
        PlanSession event(oneRun);
        prepare(event);
        while (!event.plan().complete()) {
            for (const core::RoundWinner& winner : event.drawRound().winners)
                straight.push_back(winner.id);
            event.draw().save();
        }
    }

    TestDatabase restarted;
    restarted.addParticipants(40);
    std::vector<std::int64_t> again;
    {
        PlanSession first(restarted);
        prepare(first);
    }
    for (int run = 0; run < 10; ++run) {
        PlanSession event(restarted);
        if (event.draw().restoreRound()) { // stopped in the run before, not saved
            for (const core::RoundWinner& winner : event.draw().round()->winners)
                again.push_back(winner.id);
            EXPECT_FALSE(event.draw().canCancel());
            event.draw().save();
            continue;
        }
        if (event.plan().complete()) break;
        const core::PlanRound& round = event.drawRound();
        if (run % 3 == 1) continue; // the run ends between "Stop" and "&Simpan"
        for (const core::RoundWinner& winner : round.winners)
            again.push_back(winner.id);
        event.draw().save();
    }
    EXPECT_EQ(again, straight);
}

// What the seal refuses, each refusal in the operator's words, and that nothing is sealed then.
TEST(KeyedEvent, TheSealIsMadeBeforeAnythingIsDrawn) {
    PlanSession event(12);
    const auto refusal = [&](const core::KeyedEvent::SealRequest& request) -> std::string {
        try {
            event.draw().sealEvent(request);
        } catch (const platform::Error& error) {
            return error.what();
        }
        return {};
    };
    EXPECT_NE(refusal({true, keyed::sources(), 0}).find("Belum ada daftar hadiah"), std::string::npos);
    event.addPrize("Motor", "1");
    event.addPrize("TV", "2", "2");
    EXPECT_NE(refusal({true, {}, 0}).find("1 sampai 5 sumber"), std::string::npos);
    EXPECT_NE(refusal({true, {QStringLiteral("drand"), QStringLiteral(" \t ")}, 0}).find("Sumber nilai publik 2"),
              std::string::npos);
    EXPECT_NE(refusal({true, keyed::sources(), 6}).find("Nilai saksi paling banyak 5"), std::string::npos);
    // The table changed behind the draw's list: the notary fingerprints the table, so the list drawn must be it.
    event.db.exec("INSERT INTO tb_peserta VALUES(99,'D99','Nama 99','0899')");
    EXPECT_NE(refusal({true, keyed::sources(), 0}).find("Muat Ulang Daftar"), std::string::npos);
    event.db.exec("DELETE FROM tb_peserta WHERE ID=99");
    // A round drawn at random first: the plan's picks would not be the sealed event's.
    event.drawRound();
    EXPECT_NE(refusal({true, keyed::sources(), 0}).find("dan satu putaran belum disimpan"), std::string::npos);
    event.draw().save();
    EXPECT_NE(refusal({true, keyed::sources(), 0}).find("sudah dipakai mengundi (1 pemenang"), std::string::npos);
    EXPECT_FALSE(event.draw().keyed().on());
    EXPECT_TRUE(event.entries(record::event::kEventSealed).empty());
    // Switching off what is off records nothing.
    EXPECT_FALSE(event.draw().sealEvent({false, {}, 0}));
    EXPECT_TRUE(event.entries(record::event::kEventSealed).empty());
}

// "Acak" waits for the key, the key takes exactly the values the seal named, and once fixed it stays.
TEST(KeyedEvent, TheKeyIsFixedOnceFromTheValuesTheSealNamed) {
    PlanSession event(12);
    event.addPrize("Motor", "1");
    event.draw().sealEvent({true, keyed::sources(), 1});
    EXPECT_EQ(event.draw().start(), Draw::Start::KeyMissing);
    const auto refusal = [&](std::vector<QString> values, std::vector<QString> witnesses) -> std::string {
        try {
            event.draw().fixKey(values, witnesses);
        } catch (const platform::Error& error) {
            return error.what();
        }
        return {};
    };
    EXPECT_NE(refusal({QStringLiteral("a")}, {QStringLiteral("1")}).find("2 nilai publik dan 1 nilai saksi"),
              std::string::npos);
    EXPECT_NE(refusal({QStringLiteral("a"), QStringLiteral("\u00a0 ")}, {QStringLiteral("1")}).find("Nilai publik 2"),
              std::string::npos);
    EXPECT_NE(refusal({QStringLiteral("a"), QStringLiteral("b")}, {QString()}).find("Nilai saksi 1 masih kosong"),
              std::string::npos);
    EXPECT_TRUE(event.entries(record::event::kKeyFixed).empty());
    const verifiable::FixedKey key =
        event.draw().fixKey({QStringLiteral("  drand\t8f3a "), QStringLiteral("7.234,56")}, {QStringLiteral("42")});
    EXPECT_NE(refusal({QStringLiteral("x"), QStringLiteral("y")}, {QStringLiteral("1")}).find("sudah ditetapkan"),
              std::string::npos);
    EXPECT_EQ(event.draw().start(), Draw::Start::Started);

    const auto entries = event.entries(record::event::kKeyFixed);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0][QStringLiteral("V")].toArray(),
              (QJsonArray{QStringLiteral("drand 8f3a"), QStringLiteral("7.234,56")}));
    EXPECT_EQ(entries[0][QStringLiteral("K")].toString().toStdString(), key.key.toHex().toStdString());
    // A new start reads the key back from the journal.
    PlanSession next(event.db);
    ASSERT_TRUE(next.draw().keyed().key());
    EXPECT_EQ(next.draw().keyed().key()->key, key.key);
}

// Each change after the seal stops the draw, with what changed, until it is undone.
struct Change {
    const char* name;
    std::function<void(PlanSession&)> make;
    std::function<void(PlanSession&)> undo;
    const char* says;
};

std::ostream& operator<<(std::ostream& out, const Change& change) {
    return out << change.name;
}

const Change changes[] = {
    {"a quantity of the plan", [](PlanSession& e) { e.changePrize(2, "jumlah", "5"); },
     [](PlanSession& e) { e.changePrize(2, "jumlah", "4"); }, "daftar hadiah bukan daftar yang disegel"},
    {"the rule on repeat winners", [](PlanSession& e) { e.draw().setWinnersOnce(true); },
     [](PlanSession& e) { e.draw().setWinnersOnce(false); },
     "\"Pemenang tidak diundi lagi\" kini aktif, saat disegel tidak aktif"},
    {"a participant added and the list read again",
     [](PlanSession& e) {
         e.db.exec("INSERT INTO tb_peserta VALUES(99,'D99','Nama 99','0899')");
         e.draw().reloadList();
     },
     [](PlanSession& e) {
         e.db.exec("DELETE FROM tb_peserta WHERE ID=99");
         e.draw().reloadList();
     },
     "daftar peserta yang diundi"},
};

class SealBroken : public testing::TestWithParam<Change> {};

TEST_P(SealBroken, TheDrawWaitsUntilItIsUndone) {
    PlanSession event(12);
    event.addPrize("Motor", "1");
    event.addPrize("TV", "4", "2");
    keyed::sealAndFixKey(event);
    event.drawRound();
    event.draw().save();
    GetParam().make(event);
    PlanSession::settle();
    EXPECT_EQ(event.draw().start(), Draw::Start::SealBroken);
    const auto why = event.draw().keyed().broken();
    ASSERT_TRUE(why);
    EXPECT_TRUE(why->startsWith(QStringLiteral("Daftar peserta/daftar hadiah berubah sejak disegel: ")))
        << why->toStdString();
    EXPECT_NE(why->indexOf(QString::fromUtf8(GetParam().says)), -1) << why->toStdString();
    EXPECT_NE(why->indexOf(QStringLiteral("tidak dapat disegel lagi")), -1) << "a pick was made: undo, not seal again";
    GetParam().undo(event);
    PlanSession::settle();
    EXPECT_FALSE(event.draw().keyed().broken());
    EXPECT_EQ(event.draw().start(), Draw::Start::Started);
}

INSTANTIATE_TEST_SUITE_P(AfterTheSeal, SealBroken, testing::ValuesIn(changes),
                         [](const testing::TestParamInfo<Change>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// Once stopped, a round of the keyed draw is saved; a winner leaves only as a forfeit with its reason. The prizes are
// drawn in urut order.
TEST(KeyedEvent, AWinnerLeavesOnlyAsAForfeit) {
    PlanSession event(12);
    event.addPrize("Motor", "1");
    event.addPrize("TV", "2", "2");
    keyed::sealAndFixKey(event);
    EXPECT_EQ(event.draw().choosePrize(2), Draw::Turn::Keyed);
    EXPECT_EQ(event.draw().turnPrize(1), Draw::Turn::Keyed);
    event.drawRound();
    EXPECT_TRUE(event.draw().canSave());
    EXPECT_FALSE(event.draw().canCancel());
    EXPECT_THROW(event.draw().cancel(), platform::Error);
    EXPECT_TRUE(event.draw().roundUnsaved());
    event.draw().save();

    // The winners grid: a keyed winner cannot be deleted.
    db::TableCursor winners("ADOTable1");
    winners.setConnection(&event.session.connection());
    winners.setTableName("tb_pemenang");
    winners.open();
    EXPECT_THROW(winners.remove(), platform::Error);
    EXPECT_EQ(event.db.count("tb_pemenang"), 1);
    // As a forfeit it goes, and the next round fills its slot with the next pick.
    const std::int64_t forfeited = event.draw().round()->winners.front().id;
    event.draw().forfeit(0, QStringLiteral("tidak hadir"));
    EXPECT_EQ(event.draw().currentPrize()->urut, 1);
    const core::PlanRound& refill = event.drawRound();
    EXPECT_EQ(refill.winners.front().pick, 2u);
    EXPECT_NE(refill.winners.front().id, forfeited);
    EXPECT_EQ(refill.winners.front().n, 11u) << "the forfeited participant stays out of the prize";
}

// The method leaves out only the picks of the sealed event: a draw number that won before, without a plan, stays in
// the draw even with "Pemenang tidak diundi lagi" on, which leaves out everyone picked in the event for any prize.
TEST(KeyedEvent, WhoMayWinIsTheMethodsNotTheDrawNumbersThatWon) {
    PlanSession event(20);
    event.draw().setWinnersOnce(true);
    event.draw().start(); // a winner drawn without a plan
    event.draw().tick();
    event.draw().stop();
    event.draw().show();
    event.draw().save();
    event.addPrize("Motor", "1");
    event.addPrize("TV", "3", "3");
    EXPECT_EQ(event.draw().mayStillWin(), 19u) << "the plan without the keyed draw leaves the number that won out";
    keyed::sealAndFixKey(event);
    EXPECT_EQ(event.draw().mayStillWin(), 20u);
    EXPECT_EQ(event.drawRound().winners.front().n, 20u);
    event.draw().save();
    const core::PlanRound& tv = event.drawRound();
    EXPECT_EQ(tv.winners[0].n, 19u) << "the motor's winner is out of every prize";
    EXPECT_EQ(tv.winners[2].n, 17u);
}

// Switched off, the plan draws at random again, and its prizes turn.
TEST(KeyedEvent, SwitchedOffTheDrawIsRandomAgain) {
    PlanSession event(12);
    event.addPrize("Motor", "1");
    event.addPrize("TV", "2");
    keyed::sealAndFixKey(event);
    ScriptedPick& script = event.script();
    event.drawRound();
    EXPECT_TRUE(script.asked.empty()) << "the keyed pick, not the one put in";
    event.draw().save();
    event.draw().sealEvent({false, {}, 0});
    EXPECT_FALSE(event.draw().keyedMode());
    EXPECT_EQ(event.draw().turnPrize(1), Draw::Turn::NoOther);
    event.drawRound();
    EXPECT_EQ(script.asked.size(), 1u);
    EXPECT_TRUE(event.draw().canCancel());
    const auto seals = event.entries(record::event::kEventSealed);
    ASSERT_EQ(seals.size(), 2u);
    EXPECT_EQ(seals[1][QStringLiteral("terverifikasi")], QJsonValue(false));
}

// The journal names the seal, the key and each pick, so the check can recompute them and a restart go on.
TEST(KeyedEvent, TheJournalNamesTheSealAndEachPick) {
    PlanSession event(12, [](TestDatabase& db) { db.exec("UPDATE tb_peserta SET no_undian=NULL WHERE ID=7"); });
    event.addPrize("TV", "12", "12");
    event.draw().sealEvent({true, {QStringLiteral("  drand   quicknet ")}, 0});
    event.draw().fixKey({QStringLiteral("8f3a")}, {});
    event.drawRound();
    const auto seals = event.entries(record::event::kEventSealed);
    ASSERT_EQ(seals.size(), 1u);
    const QJsonObject& seal = seals[0];
    EXPECT_EQ(seal[QStringLiteral("sources")].toArray(), QJsonArray{QStringLiteral("drand quicknet")});
    EXPECT_EQ(seal[QStringLiteral("participants")].toInt(), 12);
    EXPECT_EQ(seal[QStringLiteral("R")].toString(), QStringLiteral("pemenang_tidak_diundi_lagi=0"));
    const QJsonArray plan{QJsonArray{1, QStringLiteral("TV"), 12, 12}};
    EXPECT_EQ(seal[QStringLiteral("plan")].toArray(), plan);
    for (const char* field : {"L", "Lp", "P"})
        EXPECT_EQ(seal[QLatin1String(field)].toString().size(), 64) << field;
    const auto stops = event.entries(record::event::kRoundStopped);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0][QStringLiteral("seal")].toInteger(), event.draw().keyed().seal()->entry);
    const QJsonArray picks = stops[0][QStringLiteral("picks")].toArray();
    ASSERT_EQ(picks.size(), 12);
    for (qsizetype at = 0; at < picks.size(); ++at) {
        const QJsonObject pick = picks[at].toObject();
        EXPECT_EQ(pick[QStringLiteral("i")].toInteger(), at + 1);
        if (pick[QStringLiteral("id")].toInteger() == 7) {
            EXPECT_TRUE(pick[QStringLiteral("no_undian")].isNull()) << "a NULL draw number, as the public list has it";
        }
    }
}

} // namespace
