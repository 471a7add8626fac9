#include "core/verifiable/DrawKey.h"
#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/ParticipantArray.h"
#include "core/verifiable/PublicList.h"
#include "tests/record/DocScript.h"
#include "tests/verifiable/TestVector.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

// The script of docs/verifiable-draw.md, run as a notary would run it on the public list and the event, agrees with
// the program pick for pick, and says so when anything was changed.
namespace {

using verifiable::Pick;

// A draw number as Python's json.dumps writes it.
std::string pythonJson(const std::optional<std::string>& text) {
    if (!text) return "null";
    std::string out = "\"";
    for (const char c : *text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            EXPECT_TRUE(c >= 0x20 && c < 0x7f) << "only printable ASCII here";
            out += c;
        }
    }
    return out + "\"";
}

std::string pickLine(const Pick& pick) {
    std::ostringstream line;
    line << "pick " << pick.i << "  prize " << pick.prize << "  rank " << pick.rank << "/" << pick.n << "  ID "
         << pick.id << "  no_undian " << pythonJson(pick.number) << (pick.forfeited ? "  FORFEITED" : "");
    return line.str();
}

// What the script prints for an event that agrees with the program.
std::string expectedOutput(std::size_t participants, const std::string& lp, const std::string& p, const std::string& k,
                           const std::vector<Pick>& picks) {
    std::string out = "Lp " + lp + " (" + std::to_string(participants) + " participants)\nP  " + p + "\nK  " + k;
    for (const Pick& pick : picks)
        out += "\n" + pickLine(pick);
    return out + "\nOK: " + std::to_string(picks.size()) + " picks recomputed";
}

QJsonArray picksJson(const std::vector<Pick>& picks) {
    QJsonArray array;
    for (const Pick& pick : picks)
        array.append(QJsonObject{{QStringLiteral("i"), static_cast<qint64>(pick.i)},
                                 {QStringLiteral("prize"), static_cast<qint64>(pick.prize)},
                                 {QStringLiteral("rank"), static_cast<qint64>(pick.rank)},
                                 {QStringLiteral("n"), static_cast<qint64>(pick.n)},
                                 {QStringLiteral("id"), static_cast<qint64>(pick.id)},
                                 {QStringLiteral("no_undian"),
                                  pick.number ? QJsonValue(QString::fromStdString(*pick.number)) : QJsonValue()},
                                 {QStringLiteral("forfeited"), pick.forfeited}});
    return array;
}

// The public list and the event file in a folder of their own, and the script run on them.
struct Event {
    QTemporaryDir dir;
    QString list = dir.filePath(QStringLiteral("daftar-publik.csv"));
    QString event = dir.filePath(QStringLiteral("event.json"));

    void write(const verifiable::ParticipantList& participants, const QJsonObject& json) {
        verifiable::writePublicList(list, participants);
        writeEvent(json);
    }
    void writeEvent(const QJsonObject& json) {
        QFile file(event);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(json).toJson());
    }
    docscript::Result run() const { return docscript::run("recompute", {list, event}, "verifiable-draw.md"); }
};

TEST(RecomputeScript, AgreesWithTheTestVector) {
    const vector::TestVector v = vector::load();
    Event event;
    event.write(v.participants, v.json);
    const docscript::Result result = event.run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expectedOutput(25, v.Lp, v.P, v.K, v.picks));
}

// The event file as the document shows it to the notary: no participants, no fingerprints, no picks to compare.
TEST(RecomputeScript, TheDocumentsEventExampleFindsTheVectorsWinners) {
    const vector::TestVector v = vector::load();
    const QJsonObject example =
        QJsonDocument::fromJson(docscript::fenced(docscript::document("verifiable-draw.md"), "json")).object();
    ASSERT_FALSE(example.isEmpty());
    Event event;
    event.write(v.participants, example);
    const docscript::Result result = event.run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expectedOutput(25, v.Lp, v.P, v.K, v.picks));
}

struct Tampering {
    const char* name;
    std::function<void(QJsonObject&)> event;
    std::function<void(QByteArray&)> list;
    const char* problem; // the start of the PROBLEM line the script must print
};

std::ostream& operator<<(std::ostream& out, const Tampering& t) {
    return out << t.name;
}

void setIn(QJsonObject& object, const char* key, int at, const std::function<void(QJsonValueRef)>& change) {
    QJsonArray array = object[QLatin1String(key)].toArray();
    change(array[at]);
    object[QLatin1String(key)] = array;
}

const Tampering tamperings[] = {
    {"a winner changed",
     [](QJsonObject& e) {
         setIn(e, "picks", 3, [](QJsonValueRef pick) {
             QJsonObject object = pick.toObject();
             object[QStringLiteral("id")] = 41;
             pick = object;
         });
     },
     {},
     "PROBLEM: pick 4 given"},
    {"a public value changed",
     [](QJsonObject& e) {
         setIn(e, "V", 0, [](QJsonValueRef v) { v = QStringLiteral("drand quicknet, ronde 12345679"); });
     },
     {},
     "PROBLEM: K given"},
    {"a forfeit left out",
     [](QJsonObject& e) { e[QStringLiteral("forfeits")] = QJsonArray(); },
     {},
     "PROBLEM: prize 2 has more winners than its 3"},
    {"a round bigger than the plan allows",
     [](QJsonObject& e) { setIn(e, "rounds", 1, [](QJsonValueRef r) {
                              r = QJsonArray{2, 4};
                          }); },
     {},
     "PROBLEM: round [2, 4] does not fit the plan"},
    {"a forfeit of a pick never made",
     [](QJsonObject& e) {
         e[QStringLiteral("forfeits")] = QJsonArray{3, 40};
     },
     {},
     "PROBLEM: forfeit of pick 40"},
    {"a plan with one urut twice",
     [](QJsonObject& e) {
         setIn(e, "plan", 1, [](QJsonValueRef row) { row = QJsonArray{1, "Televisi 32 inci", 3, 3}; });
     },
     {},
     "PROBLEM: the plan holds an urut twice"},
    {"more picks than participants",
     [](QJsonObject& e) {
         e[QStringLiteral("R")] = QStringLiteral("pemenang_tidak_diundi_lagi=1");
         e[QStringLiteral("plan")] = QJsonArray{QJsonArray{1, "Voucher", 30, 30}};
         e[QStringLiteral("rounds")] = QJsonArray{QJsonArray{1, 26}};
     },
     {},
     "PROBLEM: pick 26: nobody is left to draw from"},
    {"a draw number changed in the list",
     {},
     [](QByteArray& list) { list.replace("\"0036\"", "\"0037\""); },
     "PROBLEM: the list's rows give Lp"},
    {"a participant added to the list",
     {},
     [](QByteArray& list) { list.append("200,\"0200\"\n"); },
     "PROBLEM: the list's rows give Lp"},
};

class Tampered : public testing::TestWithParam<Tampering> {};

TEST_P(Tampered, IsReported) {
    const vector::TestVector v = vector::load();
    QJsonObject json = v.json;
    if (GetParam().event) GetParam().event(json);
    Event event;
    event.write(v.participants, json);
    if (GetParam().list) {
        QFile file(event.list);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        GetParam().list(bytes);
        file.resize(0);
        file.write(bytes);
    }
    const docscript::Result result = event.run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find(std::string("\n") + GetParam().problem), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\nDIFFERS: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Vector, Tampered, testing::ValuesIn(tamperings));

// An event of 10,000 participants drawn by the program, forfeits recorded between rounds as the evening goes, and
// recomputed by the script from the public list and the event file.
class TenThousand : public testing::TestWithParam<bool> {};

TEST_P(TenThousand, TheScriptFindsEveryWinnerTheProgramPicked) {
    const bool leaveWinnersOut = GetParam();
    std::vector<std::vector<std::optional<std::string>>> rows;
    verifiable::ParticipantArray participants;
    for (int k = 0; k < 10000; ++k) {
        const std::int64_t id = 3 * k + k % 3 + 1;
        std::optional<std::string> number = "U" + std::to_string(100000 + k);
        if (k % 97 == 5) number = std::nullopt;
        if (k % 89 == 7) *number += ", \"B\"";
        if (k % 1000 == 9) number = "";
        rows.push_back({std::to_string(id), number, "Peserta " + std::to_string(k), "0812" + std::to_string(k)});
        participants.add(id, number);
    }
    const std::vector<verifiable::PrizeRow> plan = {{1, "Mobil", 1, 1},
                                                    {2, "Sepeda Motor", 3, 1},
                                                    {3, "Televisi", 10, 5},
                                                    {4, "Voucher", 30, 10},
                                                    {5, "Pulsa", 50, 50}};
    verifiable::KeyInputs inputs{vector::participantsFingerprint(rows),
                                 verifiable::publicListFingerprint(participants),
                                 verifiable::planFingerprint(plan),
                                 leaveWinnersOut,
                                 {QStringLiteral("drand quicknet, ronde 9876543"), QStringLiteral("IHSG 7.001,23")},
                                 {QStringLiteral("77"), QStringLiteral("Sari")}};
    const QByteArray key = verifiable::drawKey(inputs);
    verifiable::KeyedDraw draw(participants, plan, leaveWinnersOut, key);

    QJsonArray rounds, forfeits;
    int round = 0;
    while (const auto next = draw.nextRound()) {
        const std::vector<Pick> made = draw.drawRound(*next);
        rounds.append(QJsonArray{static_cast<qint64>(next->prize), next->picks});
        // Every other round, its first winner is not in the hall.
        if (++round % 2 == 1) {
            draw.forfeit(made.front().i);
            forfeits.append(static_cast<qint64>(made.front().i));
        }
    }
    ASSERT_GE(forfeits.size(), 8);

    QJsonArray planJson;
    for (const auto& row : plan)
        planJson.append(QJsonArray{static_cast<qint64>(row.urut), QString::fromStdString(row.hadiah),
                                   static_cast<qint64>(row.jumlah), static_cast<qint64>(row.perRound)});
    QJsonArray values, witnesses;
    for (const QString& value : inputs.publicValues)
        values.append(value);
    for (const QString& value : inputs.witnessValues)
        witnesses.append(value);
    const std::string k = key.toHex().toStdString();
    const QJsonObject json{{QStringLiteral("L"), QString::fromStdString(inputs.participants)},
                           {QStringLiteral("plan"), planJson},
                           {QStringLiteral("R"), QString::fromStdString(verifiable::ruleText(leaveWinnersOut))},
                           {QStringLiteral("V"), values},
                           {QStringLiteral("W"), witnesses},
                           {QStringLiteral("rounds"), rounds},
                           {QStringLiteral("forfeits"), forfeits},
                           {QStringLiteral("K"), QString::fromStdString(k)},
                           {QStringLiteral("picks"), picksJson(draw.picks())}};
    Event event;
    event.write(participants, json);
    const docscript::Result result = event.run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expectedOutput(10000, inputs.publicList, inputs.plan, k, draw.picks()));
}

INSTANTIATE_TEST_SUITE_P(Rule, TenThousand, testing::Values(false, true), [](const testing::TestParamInfo<bool>& info) {
    return info.param ? std::string("WinnersLeaveTheDraw") : std::string("OncePerPrize");
});

} // namespace
