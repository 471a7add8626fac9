// The draw's rules without a screen: a whole round from "Acak" to the save, what the operator types, "&Batal", a save
// the database refuses, when "Acak" refuses, reading the list again, and every participant's equal chance.
#include "core/Session.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

// The draw's random numbers, the same at every run.
chance::TickRandom pinnedRandom(std::uint64_t seed = 1) {
    auto clock = std::make_shared<std::uint64_t>(1'000'000'007ull * seed);
    auto entropy = std::make_shared<std::uint64_t>(seed);
    return chance::TickRandom([clock] { return *clock += 48'611; },
                              [entropy] {
                                  std::uint64_t z = (*entropy += 0x9E3779B97F4A7C15ull);
                                  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
                                  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
                                  return z ^ (z >> 31);
                              });
}

// core::Draw is a QObject that tells of the sealed list through the event loop.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

QStringList kinds(const TestDatabase& db) {
    QStringList result;
    for (const auto& [kind, details] : db.journal())
        result << kind;
    return result;
}

// A session on a fresh database, opened as the program opens it at start-up: the list read and sealed, the
// settings read.
class DrawRules : public ::testing::Test {
protected:
    void open(const std::vector<long long>& ids = {1, 2, 3, 4, 5}) {
        if (!ids.empty()) db.addParticipants(ids);
        session.open(db.path());
        draw().setRandom(pinnedRandom());
        draw().readList();
        session.settings().open();
        session.settings().readWinnersOnce();
    }
    core::Draw& draw() { return session.draw(); }

    void SetUp() override { ensureApplication(); }

    TestDatabase db;
    core::Session session;
};

TEST_F(DrawRules, AWholeRoundSavesTheParticipantDrawnWithThePrizeTyped) {
    open();
    ASSERT_EQ(draw().start(), core::Draw::Start::Started);
    EXPECT_TRUE(draw().shuffling());
    ASSERT_EQ(draw().tick(), core::Draw::Tick::Shown);
    const QString number = draw().shownNumber();
    draw().stop();
    EXPECT_TRUE(draw().roundUnsaved());
    EXPECT_FALSE(draw().canSave()); // "Tampilkan" first
    draw().show();
    ASSERT_TRUE(draw().canSave());
    EXPECT_EQ(draw().details().number, number);
    EXPECT_EQ(draw().details().name, QStringLiteral("Nama ") + number.mid(1));
    draw().setPrize(QStringLiteral("Sepeda \"Motor\", 1"));
    draw().save();

    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"),
              (std::vector<std::vector<std::string>>{
                  {number.toStdString(), "Nama " + number.mid(1).toStdString(), "Sepeda \"Motor\", 1"}}));
    EXPECT_EQ(kinds(db), (QStringList{"journal_begun", "program_started", "stop", "show", "winner_saved"}));
    EXPECT_FALSE(draw().canSave());
    EXPECT_FALSE(draw().roundUnsaved());
    // The prize stays for the next winner; the next "Acak" clears the number and the name only.
    ASSERT_EQ(draw().start(), core::Draw::Start::Started);
    EXPECT_EQ(draw().details().number, QString());
    EXPECT_EQ(draw().details().prize, QStringLiteral("Sepeda \"Motor\", 1"));
}

// The detail fields are the operator's as well: the save takes what they hold, not what was drawn.
TEST_F(DrawRules, WhatTheOperatorTypesIsWhatIsSaved) {
    open();
    draw().show(); // before any draw: the first row
    draw().setNumber(QStringLiteral("X-1"));
    draw().setName(QStringLiteral("Diketik\nulang"));
    draw().save();
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"),
              (std::vector<std::vector<std::string>>{{"X-1", "Diketik\nulang", ""}}));
}

TEST_F(DrawRules, CancelClearsTheDetailsAndRecordsWhatTheyHeld) {
    open();
    draw().show();
    draw().setPrize(QStringLiteral("TV"));
    draw().cancel();
    EXPECT_EQ(draw().details().number, QString());
    EXPECT_EQ(draw().details().name, QString());
    EXPECT_EQ(draw().details().phone, QString());
    EXPECT_EQ(draw().details().prize, QString());
    EXPECT_FALSE(draw().canSave());
    EXPECT_FALSE(draw().roundUnsaved());
    const auto journal = db.journal();
    ASSERT_EQ(journal.back().first, QStringLiteral("cancel"));
    EXPECT_EQ(journal.back().second.value(QStringLiteral("values")).toArray(),
              (QJsonArray{QStringLiteral("D1"), QStringLiteral("Nama 1"), QStringLiteral("TV")}));
}

// A winner refused by the database is not saved and not forgotten: the round stays open, saving waits for
// "Tampilkan" again, and neither the row nor its entry is there.
TEST_F(DrawRules, ARefusedSaveStoresNothingAndKeepsTheRoundOpen) {
    open();
    db.exec("CREATE TRIGGER refuse BEFORE INSERT ON tb_pemenang BEGIN SELECT RAISE(ABORT, 'refused'); END");
    draw().show();
    EXPECT_EQ(errorOf([&] { draw().save(); }), "refused");
    EXPECT_FALSE(draw().canSave());
    EXPECT_TRUE(draw().roundUnsaved());
    EXPECT_EQ(db.count("tb_pemenang"), 0);
    EXPECT_FALSE(kinds(db).contains(QStringLiteral("winner_saved")));
    EXPECT_EQ(draw().details().number, QStringLiteral("D1"));
}

TEST_F(DrawRules, AcakRefusesWhenNobodyCanBeDrawn) {
    open({});
    EXPECT_EQ(draw().start(), core::Draw::Start::NoParticipants);
    EXPECT_FALSE(draw().shuffling());
}

TEST_F(DrawRules, AcakRefusesOnceEveryoneHasWonWithWinnersNotDrawnAgain) {
    db.exec("INSERT INTO tb_pemenang VALUES('D1','Nama 1','TV'), ('D2','Nama 2','TV')");
    open({1, 2});
    draw().setWinnersOnce(true);
    EXPECT_EQ(draw().start(), core::Draw::Start::EveryoneHasWon);
    draw().setWinnersOnce(false);
    EXPECT_EQ(draw().start(), core::Draw::Start::Started);
}

TEST_F(DrawRules, WithoutAListTheDrawSaysSoOnce) {
    db.exec("DROP TABLE tb_peserta");
    session.open(db.path());
    EXPECT_NE(errorOf([&] { draw().readList(); }), "<no error>");
    EXPECT_EQ(errorOf([&] { draw().start(); }), "ADOTable1: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(draw().tick(), core::Draw::Tick::NoList);
    EXPECT_EQ(errorOf([&] { draw().reportNoList(); }), "ADOTable1: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(errorOf([&] { draw().reportNoList(); }), "<no error>");
}

// The list read again takes the participants added since; not while a round belongs to the list it came from.
TEST_F(DrawRules, ReadingTheListAgainWaitsForTheRound) {
    open({1, 2, 3});
    draw().start();
    EXPECT_EQ(draw().reloadList(), core::Draw::Reload::Shuffling);
    draw().tick();
    draw().stop();
    EXPECT_EQ(draw().reloadList(), core::Draw::Reload::Unsaved);
    draw().cancel();
    db.addParticipants(std::vector<long long>{4});
    ASSERT_EQ(draw().reloadList(), core::Draw::Reload::Done);
    EXPECT_EQ(draw().participantCount(), 4u);
    EXPECT_EQ(kinds(db).back(), QStringLiteral("list_reloaded"));
    EXPECT_EQ(db.journal().back().second.value(QStringLiteral("participants")).toInt(), 4);
}

// Every participant has the same chance whatever the numbering: sequence numbers with gaps and far apart.
TEST_F(DrawRules, EveryParticipantHasTheSameChance) {
    const std::vector<long long> ids{3, 10, 200, 201, 5000};
    open(ids);
    draw().start();
    std::map<QString, int> seen;
    constexpr int kTicks = 25000;
    for (int i = 0; i < kTicks; ++i) {
        ASSERT_EQ(draw().tick(), core::Draw::Tick::Shown);
        ++seen[draw().shownNumber()];
    }
    ASSERT_EQ(seen.size(), ids.size());
    const double expected = static_cast<double>(kTicks) / static_cast<double>(ids.size());
    double chiSquare = 0;
    for (const auto& [number, count] : seen)
        chiSquare += (count - expected) * (count - expected) / expected;
    EXPECT_LT(chiSquare, 18.47); // 4 degrees of freedom, p = 0.001
}

} // namespace
