#include "core/minutes/Minutes.h"
#include "core/minutes/PrizeReport.h"
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "tests/plan/PlanSession.h"
#include "tests/support/ErrorOf.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using Rows = std::vector<std::vector<std::string>>;
using State = core::Handover::State;

const QDate kToday(2025, 5, 12);

// An event after its draw: a winner typed in before the plan (row 1, "Kipas"), the plan "TV" (2, drawn in one round:
// rows 2 and 3, D1 and D2) and "Mobil" (1, not drawn). The journal's clock stands at noon on 12 May 2025.
class AfterTheDraw : public ::testing::Test {
protected:
    void SetUp() override {
        s.session.journal().setClock([] { return QDateTime(kToday, QTime(12, 0)); });
        s.addPrize("TV", "2", "2");
        s.addPrize("Mobil", "1");
        s.script().next = {0, 0};
        s.saveRound();
    }
    core::Handovers& handovers() { return s.session.handovers(); }
    // The handover rows: pemenang, status, tanggal.
    Rows table() { return s.db.rows("SELECT pemenang, status, tanggal FROM tb_serah_terima ORDER BY pemenang"); }
    void verifies() {
        const auto check = record::Verification::of(s.db.path());
        EXPECT_EQ(check.exitCode(), 0) << check.text().toStdString();
    }

    PlanSession s{10, [](TestDatabase& db) { db.exec("INSERT INTO tb_pemenang VALUES('D9','Nama 9','Kipas')"); }};
    static constexpr std::int64_t kTyped = 1, kFirst = 2, kSecond = 3;
};

struct Transition {
    const char* name;
    std::optional<core::Handover> from; // recorded first
    core::Handover to;
    std::string error;   // empty: allowed
    bool changed = true; // allowed: whether it wrote anything
    Rows row;            // the winner's row afterwards
};

void PrintTo(const Transition& t, std::ostream* out) {
    *out << t.name;
}

class HandoverTransition : public AfterTheDraw, public ::testing::WithParamInterface<Transition> {};

// Each change is one row of tb_serah_terima and one entry with the handover before and after; no change writes
// nothing; a refused one leaves the row and the journal as they were. --verify agrees with the tables after each.
TEST_P(HandoverTransition, IsRecordedOrRefused) {
    const Transition& t = GetParam();
    if (t.from) {
        ASSERT_TRUE(handovers().change(kFirst, *t.from));
    }
    const core::Handover before = handovers().of(kFirst);
    const auto entries = s.db.journal().size();
    if (!t.error.empty()) {
        EXPECT_EQ(errorOf([&] { handovers().change(kFirst, t.to); }), t.error);
        EXPECT_EQ(s.db.journal().size(), entries);
        EXPECT_EQ(handovers().of(kFirst), before);
    } else {
        EXPECT_EQ(handovers().change(kFirst, t.to), t.changed);
        EXPECT_EQ(s.db.journal().size(), entries + (t.changed ? 1 : 0));
        if (t.changed) {
            const QJsonObject entry = s.entries(record::event::kHandoverChanged).back();
            EXPECT_EQ(entry.value("rowid").toInteger(), kFirst);
            EXPECT_EQ(entry.value("values").toArray(), (QJsonArray{"D1", "Nama 1", "TV"}));
            EXPECT_EQ(entry.value("before").toObject(), before.json());
            EXPECT_EQ(entry.value("after").toObject(), handovers().of(kFirst).json());
        }
    }
    EXPECT_EQ(table(), t.row);
    verifies();
}

const core::Handover kPending{};
const core::Handover kNotTaken{State::NotTaken, {}};
core::Handover handedOver(int day) {
    return {State::HandedOver, QDate(2025, 5, day)};
}

INSTANTIATE_TEST_SUITE_P(
    Handovers, HandoverTransition,
    ::testing::Values(
        Transition{"handed_over", {}, handedOver(10), {}, true, {{"2", "diserahkan", "2025-05-10"}}},
        Transition{"handed_over_today", {}, handedOver(12), {}, true, {{"2", "diserahkan", "2025-05-12"}}},
        Transition{"not_taken", {}, kNotTaken, {}, true, {{"2", "tidak diambil", "<null>"}}},
        Transition{"not_taken_keeps_no_day",
                   {},
                   {State::NotTaken, QDate(2025, 5, 10)},
                   {},
                   true,
                   {{"2", "tidak diambil", "<null>"}}},
        Transition{"back_to_pending", handedOver(10), kPending, {}, true, {{"2", "belum diserahkan", "<null>"}}},
        Transition{"another_day", handedOver(10), handedOver(11), {}, true, {{"2", "diserahkan", "2025-05-11"}}},
        Transition{"taken_after_all", kNotTaken, handedOver(12), {}, true, {{"2", "diserahkan", "2025-05-12"}}},
        Transition{"pending_unchanged", {}, kPending, {}, false, {}},
        Transition{
            "same_day_unchanged", handedOver(10), handedOver(10), {}, false, {{"2", "diserahkan", "2025-05-10"}}},
        Transition{"no_day", {}, {State::HandedOver, {}}, "Isi tanggal hadiah ini diserahkan", true, {}},
        Transition{"tomorrow",
                   kNotTaken,
                   handedOver(13),
                   "Tanggal diserahkan 13-05-2025 belum tiba: hari ini 12-05-2025",
                   true,
                   {{"2", "tidak diambil", "<null>"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A winner saved without the plan has a handover too; deleted in the winners grid, it takes its handover with it,
// and the deletion's entry says what it was.
TEST_F(AfterTheDraw, WinnerWithoutThePlanAndItsDeletion) {
    ASSERT_TRUE(handovers().change(kTyped, handedOver(11)));
    EXPECT_EQ(handovers().all().size(), 1u);
    EXPECT_EQ(handovers().of(kTyped).text(), QStringLiteral("diserahkan 11-05-2025"));
    EXPECT_EQ(handovers().of(kSecond).text(), QStringLiteral("belum diserahkan"));
    verifies();

    db::TableCursor winners("ADOTable1");
    winners.setConnection(&s.session.connection());
    winners.setTableName("tb_pemenang");
    winners.open();
    ASSERT_EQ(winners.rowKey(), kTyped);
    winners.remove();
    PlanSession::settle();
    EXPECT_EQ(table(), Rows{});
    EXPECT_EQ(s.entries(record::event::kWinnerDeleted).back().value("serah_terima").toObject(), handedOver(11).json());
    verifies();
    EXPECT_EQ(errorOf([&] { handovers().change(kTyped, kNotTaken); }),
              "Pemenang ini sudah tidak ada di tabel pemenang: serah terima hadiahnya tidak dapat dicatat");
}

// A prize handed over cannot go to another winner: its winner does not forfeit. A winner who did not take the prize
// may, and the handover goes with the row.
TEST_F(AfterTheDraw, ForfeitAfterTheHandover) {
    ASSERT_TRUE(handovers().change(kFirst, handedOver(10)));
    ASSERT_TRUE(handovers().change(kSecond, kNotTaken));
    const auto entries = s.db.journal().size();
    EXPECT_EQ(errorOf([&] { s.draw().forfeitSaved(kFirst, QStringLiteral("menolak hadiah")); }),
              "Hadiah TV sudah diserahkan kepada pemenang ini (diserahkan 10-05-2025): pemenang yang sudah menerima "
              "hadiahnya tidak dapat digugurkan");
    EXPECT_EQ(s.db.journal().size(), entries);
    EXPECT_EQ(s.db.count("tb_pemenang"), 3);

    s.draw().forfeitSaved(kSecond, QStringLiteral("tidak hadir"));
    EXPECT_EQ(table(), (Rows{{"2", "diserahkan", "2025-05-10"}}));
    EXPECT_EQ(s.entries(record::event::kWinnerForfeited).back().value("serah_terima").toObject(), kNotTaken.json());
    EXPECT_EQ(s.draw().currentPrize()->name, QStringLiteral("TV"));
    verifies();
}

// "Nama acara": stored simplified, journaled before and after, read back with the plan, and named at the head of
// the minutes; unchanged writes nothing, too long is refused.
TEST_F(AfterTheDraw, EventName) {
    EXPECT_EQ(s.plan().eventName(), QString());
    ASSERT_TRUE(s.plan().setEventName(QStringLiteral("  Gebyar   Undian\n2025 ")));
    EXPECT_EQ(s.db.rows("SELECT urut, nama_acara FROM tb_acara"), (Rows{{"1", "Gebyar Undian 2025"}}));
    ASSERT_TRUE(s.plan().setEventName(QStringLiteral("Gebyar Undian HUT 2025")));
    const auto named = s.entries(record::event::kEventNamed);
    ASSERT_EQ(named.size(), 2u);
    EXPECT_TRUE(named[0].value("before").isNull());
    EXPECT_EQ(named[0].value("after").toString(), QStringLiteral("Gebyar Undian 2025"));
    EXPECT_EQ(named[1].value("before").toString(), QStringLiteral("Gebyar Undian 2025"));
    const auto entries = s.db.journal().size();
    EXPECT_FALSE(s.plan().setEventName(QStringLiteral("Gebyar Undian HUT 2025 ")));
    EXPECT_EQ(errorOf([&] { s.plan().setEventName(QString(101, QLatin1Char('x'))); }),
              "Nama acara paling panjang 100 huruf, bukan 101");
    EXPECT_EQ(s.db.journal().size(), entries);

    s.draw().readPlan();
    EXPECT_EQ(s.plan().eventName(), QStringLiteral("Gebyar Undian HUT 2025"));
    const auto check = record::Verification::of(s.db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    EXPECT_EQ(check.eventName(), QStringLiteral("Gebyar Undian HUT 2025"));
    EXPECT_TRUE(check.text().contains(QStringLiteral(": event named 'Gebyar Undian HUT 2025'\n")));
    const QString minutes = Minutes::html(check, {QStringLiteral("Tombolika"), QStringLiteral("1.2"), {}, {}});
    EXPECT_TRUE(minutes.contains(QStringLiteral("BERITA ACARA PENGUNDIAN</h1><h2 align=\"center\">Gebyar Undian HUT "
                                                "2025</h2>")))
        << minutes.toStdString();
}

struct Tampering {
    const char* name;
    std::string sql; // with the sqlite3 tool's rights, behind the program's back
    const char* problem;
};

void PrintTo(const Tampering& t, std::ostream* out) {
    *out << t.name;
}

class HandoverTampered : public AfterTheDraw, public ::testing::WithParamInterface<Tampering> {
protected:
    void SetUp() override {
        AfterTheDraw::SetUp();
        ASSERT_TRUE(handovers().change(kFirst, handedOver(10)));
        ASSERT_TRUE(handovers().change(kSecond, kNotTaken));
        ASSERT_TRUE(s.plan().setEventName(QStringLiteral("Gebyar")));
        verifies();
    }
};

// A handover or the event's name changed behind the program's back is found and named.
TEST_P(HandoverTampered, IsFound) {
    s.db.exec(GetParam().sql);
    const auto check = record::Verification::of(s.db.path());
    EXPECT_EQ(check.exitCode(), 1);
    const QStringList problems = check.problems();
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [](const QString& p) {
        return p.startsWith(QLatin1String(GetParam().problem));
    })) << check.text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Handovers, HandoverTampered,
    ::testing::Values(
        Tampering{"not_taken_made_handed_over",
                  "UPDATE tb_serah_terima SET status='diserahkan', tanggal='2025-05-11' WHERE pemenang=3",
                  "the handover of winner row 3 ('D2', 'Nama 2', 'TV') is 'diserahkan' on 2025-05-11, but entry #"},
        Tampering{"day_moved", "UPDATE tb_serah_terima SET tanggal='2025-05-01' WHERE pemenang=2",
                  "the handover of winner row 2 ('D1', 'Nama 1', 'TV') is 'diserahkan' on 2025-05-01, but entry #"},
        Tampering{"handover_added",
                  "INSERT INTO tb_serah_terima (pemenang, status, tanggal, waktu) VALUES(1, 'diserahkan', "
                  "'2025-05-12', '2025-05-12T05:00:00.000Z')",
                  "the handover of winner row 1 ('diserahkan' on 2025-05-12) was not recorded by the program"},
        Tampering{"handover_deleted", "DELETE FROM tb_serah_terima WHERE pemenang=2",
                  "the handover of winner row 2 ('D1', 'Nama 1', 'TV'), recorded in entry #"},
        Tampering{"event_renamed", "UPDATE tb_acara SET nama_acara='Lain'", "the event's name is 'Lain', but entry #"},
        Tampering{"event_unnamed", "DELETE FROM tb_acara", "the event's name 'Gebyar', given in entry #"}),
    [](const auto& info) { return std::string(info.param.name); });

// The prize report counts per prize what was handed over, not taken and still to be handed over, and the slots
// never drawn, the winners saved without the plan under their own prize; a forfeited winner is none of them.
TEST_F(AfterTheDraw, PrizeReportLists) {
    ASSERT_TRUE(handovers().change(kFirst, handedOver(10)));
    ASSERT_TRUE(handovers().change(kSecond, kNotTaken));
    s.draw().forfeitSaved(kSecond, QStringLiteral("tidak hadir")); // the TV's slot opens again
    const auto check = record::Verification::of(s.db.path());
    ASSERT_EQ(check.exitCode(), 0) << check.text().toStdString();
    const auto prizes = PrizeReport::prizes(check);
    ASSERT_EQ(prizes.size(), 3u);
    struct Expected {
        const char* name;
        std::optional<std::int64_t> quantity;
        std::size_t winners;
        std::int64_t handedOver, notTaken, pending, open;
    };
    const Expected expected[] = {{"TV", 2, 1, 1, 0, 0, 1}, {"Mobil", 1, 0, 0, 0, 0, 1}, {"Kipas", {}, 1, 0, 0, 1, 0}};
    for (std::size_t i = 0; i < prizes.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(prizes[i].name, QLatin1String(expected[i].name));
        EXPECT_EQ(prizes[i].quantity, expected[i].quantity);
        EXPECT_EQ(prizes[i].winners.size(), expected[i].winners);
        EXPECT_EQ(prizes[i].handedOver, expected[i].handedOver);
        EXPECT_EQ(prizes[i].notTaken, expected[i].notTaken);
        EXPECT_EQ(prizes[i].pending, expected[i].pending);
        EXPECT_EQ(prizes[i].open(), expected[i].open);
    }
    const QString html = PrizeReport::html(check, {QStringLiteral("Tombolika"), QStringLiteral("1.2"), {}, {}});
    EXPECT_TRUE(
        html.contains(QStringLiteral("<td>1</td><td>TV</td><td>2</td><td>1</td><td>0</td><td>0</td><td>1</td>")))
        << html.toStdString();
    EXPECT_TRUE(
        html.contains(QStringLiteral("<td>3</td><td>Kipas</td><td>1</td><td>0</td><td>0</td><td>1</td><td>-</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("Hadiah yang diserahkan</h3>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>TV</td><td style=\"white-space: nowrap\">D1</td><td>Nama "
                                             "1</td><td>10-05-2025</td>")));
    EXPECT_TRUE(html.contains(QStringLiteral("Hadiah yang tidak diambil</h3><p>Tidak ada.</p>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>Kipas</td><td style=\"white-space: nowrap\">D9</td>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<td>1</td><td>TV</td><td>1</td></tr><tr><td>2</td><td>Mobil</td><td>1</td>"
                                     "</tr></table>")));
}

} // namespace
