#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/DrawKey.h"
#include "core/verifiable/ParticipantArray.h"
#include "platform/Error.h"
#include "platform/chance/ExcludedRanks.h"
#include "tests/verifiable/TestVector.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <set>

namespace {

using verifiable::KeyedDraw;
using verifiable::ParticipantArray;
using verifiable::Pick;
using verifiable::PrizeRow;
using verifiable::RoundCall;

QByteArray keyFrom(const char* text) {
    return QCryptographicHash::hash(QByteArray(text), QCryptographicHash::Sha256);
}

// Participants 1..count, draw numbers "D<ID>".
ParticipantArray numbered(int count) {
    ParticipantArray list;
    for (int id = 1; id <= count; ++id)
        list.add(id, "D" + std::to_string(id));
    return list;
}

std::string hex(const QByteArray& bytes) {
    return bytes.toHex().toStdString();
}

// The test vector of the document: the fingerprints, the key and every pick, computed by the program.

TEST(TestVector, FingerprintsAndKeyAreThoseOfTheDocument) {
    const vector::TestVector v = vector::load();
    ASSERT_EQ(v.rows.size(), 25u);
    EXPECT_EQ(vector::participantsFingerprint(v.rows), v.L);
    EXPECT_EQ(verifiable::publicListFingerprint(v.participants), v.Lp);
    // The plan's fingerprint takes its rows in urut order, whatever order they come in.
    std::vector<PrizeRow> reversed(v.plan.rbegin(), v.plan.rend());
    EXPECT_EQ(verifiable::planFingerprint(reversed), v.P);
    EXPECT_EQ(hex(verifiable::drawKey(v.keyInputs())), v.K);
}

TEST(TestVector, PicksAreThoseOfTheDocument) {
    const vector::TestVector v = vector::load();
    KeyedDraw draw(v.participants, v.plan, v.leaveWinnersOut, QByteArray::fromHex(QByteArray::fromStdString(v.K)));
    const std::vector<Pick> picks = v.replay(draw);
    ASSERT_EQ(picks.size(), v.picks.size());
    for (std::size_t at = 0; at < picks.size(); ++at)
        EXPECT_EQ(picks[at], v.picks[at]) << "pick " << at + 1;
    EXPECT_FALSE(draw.nextRound()) << "the vector fills every slot of its plan";
}

TEST(TestVector, KeyedRanksRefuseTheTopOfTheRange) {
    const vector::TestVector v = vector::load();
    ASSERT_FALSE(v.keyedRanks.empty());
    const QByteArray key = QByteArray::fromHex(QByteArray::fromStdString(v.K));
    for (const vector::KeyedRankCase& c : v.keyedRanks) {
        const verifiable::KeyedRank got = verifiable::keyedRank(key, c.i, c.n);
        EXPECT_EQ(got.rank, c.rank) << "i " << c.i;
        EXPECT_EQ(got.counter + 1, c.tries) << "i " << c.i;
    }
}

// The event file shown to the notary, with the values already made single-spaced, gives the vector's key.
TEST(TestVector, TheDocumentsEventExampleGivesTheSameKey) {
    const vector::TestVector v = vector::load();
    const QJsonObject example =
        QJsonDocument::fromJson(docscript::fenced(docscript::document("verifiable-draw.md"), "json")).object();
    ASSERT_FALSE(example.isEmpty());
    verifiable::KeyInputs inputs = v.keyInputs();
    inputs.publicValues = vector::texts(example[QStringLiteral("V")]);
    inputs.witnessValues = vector::texts(example[QStringLiteral("W")]);
    EXPECT_EQ(hex(verifiable::drawKey(inputs)), v.K);
    EXPECT_EQ(verifiable::planFingerprint(vector::planOf(example[QStringLiteral("plan")])), v.P);
}

// Values as typed and as the key takes them.

struct NormalizeCase {
    const char* name;
    QString typed;
    QString used;
};

std::ostream& operator<<(std::ostream& out, const NormalizeCase& c) {
    return out << c.name;
}

class Normalize : public testing::TestWithParam<NormalizeCase> {};

TEST_P(Normalize, RunsOfWhiteSpaceBecomeOneSpace) {
    EXPECT_EQ(verifiable::normalizedValue(GetParam().typed).toStdString(), GetParam().used.toStdString());
}

const NormalizeCase normalizeCases[] = {
    {"already single", QStringLiteral("drand ronde 12345"), QStringLiteral("drand ronde 12345")},
    {"ends and runs", QStringLiteral("  drand   ronde 12345  "), QStringLiteral("drand ronde 12345")},
    {"tab, line feed, CR", QStringLiteral("a\t\tb\r\nc\vd\fe"), QStringLiteral("a b c d e")},
    {"no-break space", QStringLiteral("7.234,56\u00a0tanggal"), QStringLiteral("7.234,56 tanggal")},
    {"ideographic space, en quad, line separator", QStringLiteral("a\u3000b\u2000c\u2028d"), QStringLiteral("a b c d")},
    {"next line, narrow no-break space", QStringLiteral("a\u0085b\u202f\u205fc"), QStringLiteral("a b c")},
    // Not white space: they stay as typed.
    {"zero-width space", QStringLiteral("a\u200bb"), QStringLiteral("a\u200bb")},
    {"unit separator", QStringLiteral("a\u001fb"), QStringLiteral("a\u001fb")},
    {"capitals and punctuation", QStringLiteral("IHSG: 7.234,56"), QStringLiteral("IHSG: 7.234,56")},
    {"only white space", QStringLiteral(" \t\u00a0 "), QString()},
};

INSTANTIATE_TEST_SUITE_P(Values, Normalize, testing::ValuesIn(normalizeCases));

// The key: every input counts, and the counts keep values from passing for one another.

verifiable::KeyInputs someInputs() {
    return {std::string(64, 'a'),
            std::string(64, 'b'),
            std::string(64, 'c'),
            false,
            {QStringLiteral("drand 1"), QStringLiteral("IHSG 7000")},
            {QStringLiteral("42")}};
}

TEST(DrawKey, EveryInputChangesTheKey) {
    const QByteArray base = verifiable::drawKey(someInputs());
    const std::pair<const char*, void (*)(verifiable::KeyInputs&)> changes[] = {
        {"L", [](verifiable::KeyInputs& in) { in.participants[0] = 'd'; }},
        {"Lp", [](verifiable::KeyInputs& in) { in.publicList[63] = 'd'; }},
        {"P", [](verifiable::KeyInputs& in) { in.plan[10] = 'd'; }},
        {"R", [](verifiable::KeyInputs& in) { in.leaveWinnersOut = true; }},
        {"a public value", [](verifiable::KeyInputs& in) { in.publicValues[1] = QStringLiteral("IHSG 7001"); }},
        {"the order of public values",
         [](verifiable::KeyInputs& in) { std::swap(in.publicValues[0], in.publicValues[1]); }},
        {"a witness value", [](verifiable::KeyInputs& in) { in.witnessValues[0] = QStringLiteral("43"); }},
        {"a public value moved to the witnesses",
         [](verifiable::KeyInputs& in) {
             in.witnessValues.insert(in.witnessValues.begin(), in.publicValues.back());
             in.publicValues.pop_back();
         }},
        {"a space inside a value", [](verifiable::KeyInputs& in) { in.publicValues[0] = QStringLiteral("drand1"); }},
    };
    for (const auto& [name, change] : changes) {
        verifiable::KeyInputs inputs = someInputs();
        change(inputs);
        EXPECT_NE(verifiable::drawKey(inputs), base) << name;
    }
    verifiable::KeyInputs spaced = someInputs();
    spaced.publicValues[0] = QStringLiteral("  drand \t 1 ");
    EXPECT_EQ(verifiable::drawKey(spaced), base) << "white space around and within is made single";
}

TEST(DrawKey, RefusesTooFewTooManyOrEmptyValues) {
    const std::pair<const char*, void (*)(verifiable::KeyInputs&)> refused[] = {
        {"no public value", [](verifiable::KeyInputs& in) { in.publicValues.clear(); }},
        {"six public values", [](verifiable::KeyInputs& in) { in.publicValues.assign(6, QStringLiteral("x")); }},
        {"six witness values", [](verifiable::KeyInputs& in) { in.witnessValues.assign(6, QStringLiteral("x")); }},
        {"a public value of spaces only",
         [](verifiable::KeyInputs& in) { in.publicValues[1] = QStringLiteral(" \t"); }},
        {"an empty witness value", [](verifiable::KeyInputs& in) { in.witnessValues[0].clear(); }},
    };
    for (const auto& [name, change] : refused) {
        verifiable::KeyInputs inputs = someInputs();
        change(inputs);
        EXPECT_THROW(verifiable::drawKey(inputs), platform::Error) << name;
    }
    verifiable::KeyInputs most = someInputs();
    most.publicValues.assign(5, QStringLiteral("x"));
    most.witnessValues.clear();
    EXPECT_NO_THROW(verifiable::drawKey(most)) << "five public values and no witness";
}

// The rounds the plan calls for, and the picks they make.

TEST(KeyedDraw, RoundsFollowThePlanAndForfeitsReopenTheirPrizeFirst) {
    const ParticipantArray list = numbered(40);
    KeyedDraw draw(list, {{3, "Voucher", 5, 2}, {1, "Motor", 1, 1}, {2, "TV", 3, 5}}, false, keyFrom("rounds"));
    std::vector<RoundCall> called;
    auto drawNext = [&] {
        called.push_back(*draw.nextRound());
        draw.drawRound(called.back());
    };
    drawNext(); // prize 1: 1
    drawNext(); // prize 2: 3 (per round 5 is capped by the 3 slots)
    drawNext(); // prize 3: 2
    draw.forfeit(1);
    drawNext(); // prize 1 again: its slot reopened, and it comes first
    drawNext(); // prize 3: 2
    draw.forfeit(3);
    draw.forfeit(4);
    drawNext(); // prize 2: 2, both reopened slots at once
    drawNext(); // prize 3: the last 1
    const std::vector<RoundCall> expected = {{1, 1}, {2, 3}, {3, 2}, {1, 1}, {3, 2}, {2, 2}, {3, 1}};
    EXPECT_EQ(called, expected);
    EXPECT_FALSE(draw.nextRound());
    ASSERT_EQ(draw.picks().size(), 12u);
    EXPECT_TRUE(draw.picks()[0].forfeited);
    EXPECT_EQ(draw.picks()[6].prize, 1);
    EXPECT_EQ(draw.picks()[6].i, 7u);
}

TEST(KeyedDraw, RefusesRoundsAndForfeitsTheRulesDoNotAllow) {
    const ParticipantArray list = numbered(10);
    KeyedDraw draw(list, {{1, "Motor", 1, 1}, {2, "TV", 2, 2}}, false, keyFrom("refusals"));
    EXPECT_THROW(draw.drawRound({2, 2}), platform::Error) << "prize 1 comes first";
    EXPECT_THROW(draw.drawRound({1, 2}), platform::Error) << "prize 1 has one slot";
    EXPECT_THROW(draw.forfeit(1), platform::Error) << "no pick made yet";
    EXPECT_TRUE(draw.picks().empty());
    draw.drawRound({1, 1});
    draw.drawRound({2, 2});
    EXPECT_THROW(draw.drawRound({2, 1}), platform::Error) << "every slot filled";
    draw.forfeit(2);
    EXPECT_THROW(draw.forfeit(2), platform::Error) << "forfeited already";
    EXPECT_THROW(draw.forfeit(4), platform::Error) << "pick 4 not made";
    EXPECT_THROW(draw.nextPickFor(9), platform::Error) << "prize 9 not in the plan";
    EXPECT_EQ(draw.picks().size(), 3u);
}

TEST(KeyedDraw, RefusesAPlanItCannotDraw) {
    const ParticipantArray list = numbered(3);
    const std::vector<std::vector<PrizeRow>> plans = {
        {{1, "Motor", 1, 1}, {1, "TV", 1, 1}},
        {{1, "Motor", 0, 1}},
        {{1, "Motor", 2, 0}},
    };
    for (const auto& plan : plans)
        EXPECT_THROW(KeyedDraw(list, plan, false, keyFrom("plan")), platform::Error) << plan.front().hadiah;
}

TEST(KeyedDraw, ARoundWithTooFewLeftIsRefusedWhole) {
    const ParticipantArray list = numbered(5);
    KeyedDraw draw(list, {{1, "Motor", 3, 3}, {2, "Voucher", 3, 3}}, true, keyFrom("few"));
    draw.drawRound({1, 3});
    EXPECT_EQ(draw.eligibleFor(2), 2u);
    EXPECT_THROW(draw.drawRound({2, 3}), platform::Error);
    EXPECT_EQ(draw.picks().size(), 3u) << "no pick of the refused round is kept";
    EXPECT_EQ(draw.eligibleFor(2), 2u);
}

// Who may be picked: nobody twice for one prize (forfeits included), and with R nobody twice at all. Drawing
// everyone walks the exclusions through every position, so a fault in finding the r-th one left shows as a repeat.
TEST(KeyedDraw, DrawingEveryoneNamesEachParticipantOnce) {
    for (const bool leaveWinnersOut : {false, true}) {
        const ParticipantArray list = numbered(230);
        KeyedDraw draw(list, {{1, "Voucher", 230, 50}}, leaveWinnersOut, keyFrom("everyone"));
        std::set<std::int64_t> ids;
        while (const auto round = draw.nextRound()) {
            for (const Pick& pick : draw.drawRound(*round)) {
                EXPECT_EQ(pick.n, 230 - (pick.i - 1));
                EXPECT_EQ(pick.number, "D" + std::to_string(pick.id));
                ids.insert(pick.id);
            }
        }
        EXPECT_EQ(ids.size(), 230u) << "R " << leaveWinnersOut;
    }
}

TEST(KeyedDraw, AForfeitedWinnerStaysOutAndTheRuleDecidesAcrossPrizes) {
    for (const bool leaveWinnersOut : {false, true}) {
        const ParticipantArray list = numbered(6);
        KeyedDraw draw(list, {{1, "TV", 3, 3}, {2, "Voucher", 6, 6}}, leaveWinnersOut, keyFrom("forfeit"));
        draw.drawRound({1, 3});
        draw.forfeit(2);
        draw.forfeit(3);
        const std::vector<Pick> refill = draw.drawRound({1, 2});
        std::set<std::int64_t> prizeOne;
        for (const Pick& pick : draw.picks())
            prizeOne.insert(pick.id);
        EXPECT_EQ(prizeOne.size(), 5u) << "the two refills are neither of the forfeited winners";
        EXPECT_EQ(refill.front().n, 3u);
        if (leaveWinnersOut) {
            EXPECT_EQ(draw.eligibleFor(2), 1u) << "forfeited winners are picked all the same";
            EXPECT_THROW(draw.drawRound({2, 6}), platform::Error);
        } else {
            EXPECT_EQ(draw.drawRound({2, 6}).size(), 6u) << "every participant may still win a voucher";
        }
    }
}

TEST(KeyedDraw, TheKeyDecidesEveryPick) {
    const ParticipantArray list = numbered(1000);
    const std::vector<PrizeRow> plan = {{1, "Voucher", 20, 20}};
    auto idsWith = [&](const char* key) {
        KeyedDraw draw(list, plan, true, keyFrom(key));
        std::vector<std::int64_t> ids;
        for (const Pick& pick : draw.drawRound({1, 20}))
            ids.push_back(pick.id);
        return ids;
    };
    EXPECT_EQ(idsWith("one"), idsWith("one"));
    EXPECT_NE(idsWith("one"), idsWith("two"));
}

// The r-th rank left, against the list written out: the keyed draw finds each winner so, without building the list
// of those who may win.
TEST(ExcludedRanks, NthRemainingIsTheListWithoutThem) {
    QRandomGenerator random(7);
    for (const int excluded : {0, 1, 2, 5, 40, 99}) {
        const std::size_t n = 100;
        chance::ExcludedRanks left(n);
        while (left.leftOut().size() < static_cast<std::size_t>(excluded))
            left.remove(random.bounded(static_cast<quint32>(n)));
        std::vector<std::size_t> expected;
        for (std::size_t rank = 0; rank < n; ++rank)
            if (left.contains(rank)) expected.push_back(rank);
        for (std::size_t position = 0; position < expected.size(); ++position)
            ASSERT_EQ(left.at(position), expected[position]) << excluded << " out, position " << position;
    }
    chance::ExcludedRanks ends(10);
    ends.remove(0);
    ends.remove(1);
    ends.remove(9);
    ends.remove(1); // already out: nothing changes
    EXPECT_EQ(ends.leftOut().size(), 3u);
    EXPECT_EQ(ends.at(0), 2u);
    EXPECT_EQ(ends.at(6), 8u);
}

TEST(ParticipantArray, KeepsNullApartFromEmptyAndRefusesIdsOutOfOrder) {
    ParticipantArray list;
    list.add(-4, std::nullopt);
    list.add(2, "");
    list.add(10, "A\"1");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(list.id(0), -4);
    EXPECT_EQ(list.number(0), std::nullopt);
    EXPECT_EQ(list.number(1), std::optional<std::string>(""));
    EXPECT_EQ(list.number(2), "A\"1");
    EXPECT_THROW(list.add(10, "x"), platform::Error);
    EXPECT_THROW(list.add(3, "x"), platform::Error);
    EXPECT_EQ(list.size(), 3u);
}

} // namespace
