// --verify on a keyed draw: every pick recomputed from the seal, the key and the participants table, each kind of
// tampering caught, and the check's JSON fed with the program's public list to the script of docs/verifiable-draw.md.
#include "core/minutes/Minutes.h"
#include "core/minutes/SealLetter.h"
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "tests/record/DocScript.h"
#include "tests/verifiable/KeyedSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

using record::Verification;

// An evening of 30 participants: a motorbike, three televisions in one round and six vouchers three a round, the
// second television's winner absent and the slot drawn again.
void drawEvening(PlanSession& event) {
    event.addPrize("Motor", "1", "1");
    event.addPrize("TV", "3", "3");
    event.addPrize("Voucher", "6", "3");
    keyed::sealAndFixKey(event, {QStringLiteral("drand 8f3a"), QStringLiteral("7.234,56")}, {QStringLiteral("42")});
    while (!event.plan().complete()) {
        const core::PlanRound& round = event.drawRound();
        event.draw().save();
        if (round.prize == 2 && round.winners.size() == 3) event.draw().forfeit(1, QStringLiteral("tidak hadir"));
    }
}

// The urut of the entries of one kind, in order.
std::vector<std::int64_t> entriesOf(TestDatabase& db, const char* kind) {
    std::vector<std::int64_t> out;
    for (const auto& row : db.rows(std::string("SELECT urut FROM tb_jurnal WHERE jenis='") + kind + "' ORDER BY urut"))
        out.push_back(std::stoll(row[0]));
    return out;
}

// An entry's details rewritten, and the chain made whole again behind it.
void editEntry(TestDatabase& db, std::int64_t urut, const std::function<void(QJsonObject&)>& edit) {
    const auto rows = db.rows("SELECT rincian FROM tb_jurnal WHERE urut=" + std::to_string(urut));
    QJsonObject details = QJsonDocument::fromJson(QByteArray::fromStdString(rows.at(0).at(0))).object();
    edit(details);
    db.exec("UPDATE tb_jurnal SET rincian=" +
            keyed::sqlValue(QJsonDocument(details).toJson(QJsonDocument::Compact).toStdString()) +
            " WHERE urut=" + std::to_string(urut));
    keyed::rechain(db);
}

struct Tampering {
    const char* name;
    std::function<void(TestDatabase&)> tamper;
    const char* problem; // part of the PROBLEM line the check must print
};

std::ostream& operator<<(std::ostream& out, const Tampering& t) {
    return out << t.name;
}

const Tampering tamperings[] = {
    {"a winner's draw number changed in tb_pemenang",
     [](TestDatabase& db) { db.exec("UPDATE tb_pemenang SET no_undian='X99' WHERE rowid=1"); },
     "winner row 1 is 'X99'"},
    {"a winner replaced in every table and in the journal, the chain recomputed",
     [](TestDatabase& db) {
         // The motorbike's winner becomes someone the key did not pick, consistently everywhere but the picks.
         const std::string id = db.rows("SELECT id_peserta FROM tb_pemenang_hadiah WHERE urut_hadiah=1").at(0).at(0);
         const std::string other = id == "30" ? "29" : "30";
         db.exec("UPDATE tb_pemenang SET no_undian='D" + other + "', nama='Nama " + other +
                 "' WHERE rowid=1;"
                 "UPDATE tb_pemenang_hadiah SET id_peserta=" +
                 other + " WHERE pemenang=1");
         editEntry(db, entriesOf(db, record::event::kRoundSaved).front(), [&](QJsonObject& d) {
             QJsonArray winners = d[QStringLiteral("winners")].toArray();
             QJsonObject winner = winners[0].toObject();
             winner[QStringLiteral("id")] = std::stoi(other);
             winner[QStringLiteral("values")] =
                 QJsonArray{QString::fromStdString("D" + other), QString::fromStdString("Nama " + other), "Motor"};
             winners[0] = winner;
             d[QStringLiteral("winners")] = winners;
         });
     },
     "whom the round of entry"},
    {"a pick of a round changed in the journal, the chain recomputed",
     [](TestDatabase& db) {
         editEntry(db, entriesOf(db, record::event::kRoundStopped).front(), [](QJsonObject& d) {
             QJsonArray picks = d[QStringLiteral("picks")].toArray();
             QJsonObject pick = picks[0].toObject();
             pick[QStringLiteral("rank")] = pick[QStringLiteral("rank")].toInteger() == 0 ? 1 : 0;
             picks[0] = pick;
             d[QStringLiteral("picks")] = picks;
         });
     },
     "but the key gives pick 1:"},
    {"a public value changed in key_fixed, the chain recomputed",
     [](TestDatabase& db) {
         editEntry(db, entriesOf(db, record::event::kKeyFixed).front(), [](QJsonObject& d) {
             d[QStringLiteral("V")] = QJsonArray{"drand 8f3b", "7.234,56"};
         });
     },
     "but its values and the seal of entry"},
    {"a public value and the key K changed in key_fixed, the chain recomputed",
     [](TestDatabase& db) {
         const std::int64_t sealEntry = entriesOf(db, record::event::kEventSealed).front();
         const auto sealRow = db.rows("SELECT rincian FROM tb_jurnal WHERE urut=" + std::to_string(sealEntry));
         const verifiable::Seal seal = verifiable::Seal::fromDetails(
             QJsonDocument::fromJson(QByteArray::fromStdString(sealRow.at(0).at(0))).object(), sealEntry, {});
         editEntry(db, entriesOf(db, record::event::kKeyFixed).front(), [&](QJsonObject& d) {
             const std::vector<QString> values{QStringLiteral("drand 8f3b"), QStringLiteral("7.234,56")};
             d[QStringLiteral("V")] = QJsonArray{values[0], values[1]};
             d[QStringLiteral("K")] = QString::fromLatin1(
                 verifiable::drawKey(verifiable::keyInputs(seal, values, {QStringLiteral("42")})).toHex());
         });
     },
     "but the key gives pick 1:"},
    {"the list changed after the seal",
     [](TestDatabase& db) { db.exec("UPDATE tb_peserta SET no_undian='D3b' WHERE ID=3"); },
     "is not the list sealed in entry"},
    {"the plan sealed changed in event_sealed, the chain recomputed",
     [](TestDatabase& db) {
         editEntry(db, entriesOf(db, record::event::kEventSealed).front(), [](QJsonObject& d) {
             QJsonArray plan = d[QStringLiteral("plan")].toArray();
             plan[2] = QJsonArray{3, "Voucher", 7, 3};
             d[QStringLiteral("plan")] = plan;
         });
     },
     "does not give its fingerprint P"},
};

class TamperedEvent : public testing::TestWithParam<Tampering> {};

TEST_P(TamperedEvent, IsCaughtByTheCheck) {
    PlanSession event(30);
    drawEvening(event);
    const Verification before = Verification::of(event.db.path());
    ASSERT_EQ(before.outcome(), Verification::Outcome::Intact) << before.text().toStdString();
    ASSERT_NE(before.text().indexOf(QStringLiteral("11 of 11 picks agree with the key")), -1)
        << before.text().toStdString();
    GetParam().tamper(event.db);
    const Verification after = Verification::of(event.db.path());
    EXPECT_EQ(after.outcome(), Verification::Outcome::Broken);
    EXPECT_TRUE(after.problems().join(QLatin1Char('\n')).contains(QString::fromUtf8(GetParam().problem)))
        << after.text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Keyed, TamperedEvent, testing::ValuesIn(tamperings),
                         [](const testing::TestParamInfo<Tampering>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// An event of 10,000 participants drawn by the program, with draw numbers NULL, empty and quoted, absent winners
// forfeited as the evening goes; the public list the program exports and its check's JSON, given to the script as a
// notary would give them, agree pick for pick.
class ProgramEvent : public testing::TestWithParam<bool> {};

TEST_P(ProgramEvent, TheScriptRecomputesEveryPick) {
    std::vector<keyed::Row> rows;
    for (int k = 0; k < 10000; ++k) {
        std::optional<std::string> number = "U" + std::to_string(100000 + k);
        if (k % 97 == 5) number = std::nullopt;
        if (k % 89 == 7) *number += ", \"B\"";
        if (k % 1000 == 9) number = "";
        rows.push_back(
            {std::to_string(3 * k + k % 3 + 1), number, "Peserta " + std::to_string(k), "0812" + std::to_string(k)});
    }
    PlanSession event(0, [&](TestDatabase& db) { db.exec(keyed::insertParticipants(rows)); });
    event.draw().setWinnersOnce(GetParam());
    for (const auto& [name, quantity, perRound] : {std::tuple{"Mobil", "1", "1"},
                                                   {"Sepeda Motor", "3", "1"},
                                                   {"Televisi", "10", "5"},
                                                   {"Voucher", "30", "10"},
                                                   {"Pulsa", "50", "50"}})
        event.addPrize(name, quantity, perRound);
    keyed::sealAndFixKey(event, {QStringLiteral("drand quicknet, ronde 9876543"), QStringLiteral("IHSG 7.001,23")},
                         {QStringLiteral("77"), QStringLiteral("Sari")});
    int round = 0;
    std::size_t picks = 0;
    while (!event.plan().complete()) {
        picks += event.drawRound().winners.size();
        // Every other round, its first winner is not in the hall: before the save or after it.
        if (++round % 2 == 1) event.draw().forfeit(0, QStringLiteral("tidak hadir"));
        if (event.draw().canSave()) event.draw().save();
        if (round % 4 == 2) event.draw().forfeit(0, QStringLiteral("menolak hadiah"));
    }

    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("daftar-publik.csv"));
    const QString json = dir.filePath(QStringLiteral("event.json"));
    event.draw().keyed().exportPublicList(list);
    const Verification check = Verification::of(event.db.path());
    ASSERT_EQ(check.outcome(), Verification::Outcome::Intact) << check.text().toStdString();
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(check.json()).toJson());
    file.close();
    const docscript::Result result = docscript::run("recompute", {list, json}, "verifiable-draw.md");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const std::string ok = "OK: " + std::to_string(picks) + " picks recomputed";
    EXPECT_EQ(result.out.substr(result.out.size() - std::min(result.out.size(), ok.size())), ok) << result.out;
    EXPECT_EQ(result.out.find("PROBLEM"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Rule, ProgramEvent, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("WinnersLeaveTheDraw") : std::string("OncePerPrize");
                         });

} // namespace

namespace {

// A hash as the documents print it: groups of eight hex digits.
QString printedHash(const std::string& hex) {
    QStringList groups;
    for (std::size_t at = 0; at < hex.size(); at += 8)
        groups << QString::fromStdString(hex.substr(at, 8));
    return groups.join(QLatin1Char(' '));
}

const Minutes::Header header{QStringLiteral("Tombolika"), QStringLiteral("1.2"), QDateTime::currentDateTime(),
                             QString()};

// The seal's letter names everything the key is made of but the values, which do not exist yet, and the method.
TEST(SealLetter, SaysWhatIsSealedAndHowTheWinnersFollow) {
    PlanSession event(30);
    event.addPrize("Sepeda Motor", "1", "1");
    event.addPrize("Voucher <Rp100.000>", "6", "3");
    const auto seal = event.draw().sealEvent({true, keyed::sources(), 2});
    const QString html =
        SealLetter::html(*seal, header, QString::fromStdString(event.db.path()), QStringLiteral("Undian HUT <RT 05>"));
    for (const QString& expected :
         {QStringLiteral("SURAT SEGEL UNDIAN"), QStringLiteral("<h2 align=\"center\">Undian HUT &lt;RT 05&gt;</h2>"),
          QStringLiteral("Jumlah peserta: 30."), printedHash(seal->participants), printedHash(seal->publicList),
          printedHash(seal->plan),
          QStringLiteral("daftar-publik-%1.csv").arg(QString::fromStdString(seal->publicList.substr(0, 16))),
          QStringLiteral("<td>2</td><td>Voucher &lt;Rp100.000&gt;</td><td>6</td><td>3</td>"),
          QStringLiteral("pemenang_tidak_diundi_lagi=0"), keyed::sources()[0], keyed::sources()[1],
          QStringLiteral("Nilai saksi (W): 2 nilai"), QStringLiteral("entri #%1").arg(seal->entry),
          QStringLiteral("Cara undian"), QStringLiteral("HMAC-SHA256"), QStringLiteral("docs/verifiable-draw.md"),
          QStringLiteral("Notaris"), QStringLiteral("Saksi 2")})
        EXPECT_TRUE(html.contains(expected)) << expected.toStdString();
}

// The minutes list every seal, the key's values and K, and per pick i, the prize, the rank, n and the draw number.
TEST(KeyedMinutes, ListTheSealTheKeyAndEveryPick) {
    PlanSession event(30);
    drawEvening(event);
    event.draw().sealEvent({false, {}, 0});
    const auto check = Verification::of(event.db.path());
    ASSERT_EQ(check.keyedEvents().size(), 1u);
    const auto& keyed = check.keyedEvents().front();
    const QString html = Minutes::html(check, header);
    EXPECT_TRUE(html.contains(QStringLiteral("Undian terverifikasi</h3>")));
    EXPECT_TRUE(html.contains(printedHash(keyed.seal.participants)));
    EXPECT_TRUE(html.contains(printedHash(keyed.key->key.toHex().toStdString())));
    EXPECT_TRUE(html.contains(QStringLiteral("V1 (drand quicknet, ronde 12345678): drand 8f3a")));
    EXPECT_TRUE(html.contains(QStringLiteral("W1: 42")));
    EXPECT_TRUE(html.contains(QStringLiteral("Undian Terverifikasi dimatikan")));
    for (const verifiable::Pick& pick : keyed.picks) {
        const QString row =
            QStringLiteral("<tr><td>%1</td><td>%2. %3</td><td>%4</td><td>%5</td><td style=\"white-space: "
                           "nowrap\">%6</td><td>%7</td></tr>")
                .arg(pick.i)
                .arg(pick.prize)
                .arg(keyed.seal.prizes[static_cast<std::size_t>(pick.prize - 1)].hadiah.c_str())
                .arg(pick.rank)
                .arg(pick.n)
                .arg(QString::fromStdString(*pick.number), pick.forfeited ? QStringLiteral("gugur") : QString());
        EXPECT_TRUE(html.contains(row)) << row.toStdString();
    }
    EXPECT_TRUE(html.contains(QStringLiteral("11 dari 11 pengambilan sesuai dengan kunci undian")));
}

} // namespace
