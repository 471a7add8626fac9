#pragma once

#include "core/record/Fingerprint.h"
#include "core/verifiable/DrawKey.h"
#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/ParticipantArray.h"
#include "tests/record/DocScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// The test vector of docs/verifiable-draw.md, read from the document itself, so that the document and the program
// cannot drift apart.
namespace vector {

inline std::optional<std::string> optionalText(const QJsonValue& value) {
    if (value.isNull()) return std::nullopt;
    return value.toString().toStdString();
}

inline std::vector<QString> texts(const QJsonValue& value) {
    std::vector<QString> out;
    for (const QJsonValue& text : value.toArray())
        out.push_back(text.toString());
    return out;
}

inline std::vector<verifiable::PrizeRow> planOf(const QJsonValue& value) {
    std::vector<verifiable::PrizeRow> plan;
    for (const QJsonValue& row : value.toArray()) {
        const QJsonArray fields = row.toArray();
        plan.push_back(
            {fields[0].toInteger(), fields[1].toString().toStdString(), fields[2].toInteger(), fields[3].toInteger()});
    }
    return plan;
}

inline verifiable::Pick pickOf(const QJsonObject& object) {
    return {static_cast<std::uint64_t>(object[QStringLiteral("i")].toInteger()),
            object[QStringLiteral("prize")].toInteger(),
            static_cast<std::uint64_t>(object[QStringLiteral("rank")].toInteger()),
            static_cast<std::uint64_t>(object[QStringLiteral("n")].toInteger()),
            object[QStringLiteral("id")].toInteger(),
            optionalText(object[QStringLiteral("no_undian")]),
            object[QStringLiteral("forfeited")].toBool()};
}

struct Round {
    std::int64_t prize;
    int picks;
};

struct KeyedRankCase {
    std::uint64_t i;
    std::uint64_t n;
    std::size_t tries; // values of x read, the last one taken
    std::uint64_t rank;
};

struct TestVector {
    QJsonObject json;
    std::vector<std::vector<std::optional<std::string>>> rows; // [ID, no_undian, nama, hp]
    verifiable::ParticipantArray participants;
    std::vector<verifiable::PrizeRow> plan;
    bool leaveWinnersOut = false;
    std::vector<QString> publicValues, witnessValues;
    std::vector<Round> rounds;
    std::vector<std::uint64_t> forfeits;
    std::string L, Lp, P, K;
    std::vector<verifiable::Pick> picks;
    std::vector<KeyedRankCase> keyedRanks;

    verifiable::KeyInputs keyInputs() const { return {L, Lp, P, leaveWinnersOut, publicValues, witnessValues}; }

    // Draws the rounds in order, each forfeit recorded right after the round that made its pick.
    std::vector<verifiable::Pick> replay(verifiable::KeyedDraw& draw) const {
        for (const Round& round : rounds) {
            draw.drawRound({round.prize, round.picks});
            for (const std::uint64_t i : forfeits)
                if (i <= draw.picks().size() && !draw.picks()[i - 1].forfeited) draw.forfeit(i);
        }
        return draw.picks();
    }
};

inline QByteArray block() {
    return docscript::fenced(docscript::document("verifiable-draw.md"), "json test-vector");
}

inline TestVector load() {
    TestVector v;
    v.json = QJsonDocument::fromJson(block()).object();
    const QJsonObject& json = v.json;
    for (const QJsonValue& row : json[QStringLiteral("participants")].toArray()) {
        const QJsonArray fields = row.toArray();
        v.rows.push_back({std::to_string(fields[0].toInteger()), optionalText(fields[1]), optionalText(fields[2]),
                          optionalText(fields[3])});
        v.participants.add(fields[0].toInteger(), v.rows.back()[1]);
    }
    v.plan = planOf(json[QStringLiteral("plan")]);
    v.leaveWinnersOut = json[QStringLiteral("R")].toString() == QLatin1String("pemenang_tidak_diundi_lagi=1");
    v.publicValues = texts(json[QStringLiteral("V")]);
    v.witnessValues = texts(json[QStringLiteral("W")]);
    for (const QJsonValue& round : json[QStringLiteral("rounds")].toArray())
        v.rounds.push_back({round.toArray()[0].toInteger(), round.toArray()[1].toInt()});
    for (const QJsonValue& i : json[QStringLiteral("forfeits")].toArray())
        v.forfeits.push_back(static_cast<std::uint64_t>(i.toInteger()));
    v.L = json[QStringLiteral("L")].toString().toStdString();
    v.Lp = json[QStringLiteral("Lp")].toString().toStdString();
    v.P = json[QStringLiteral("P")].toString().toStdString();
    v.K = json[QStringLiteral("K")].toString().toStdString();
    for (const QJsonValue& pick : json[QStringLiteral("picks")].toArray())
        v.picks.push_back(pickOf(pick.toObject()));
    for (const QJsonValue& value : json[QStringLiteral("keyed_ranks")].toArray()) {
        const QJsonObject object = value.toObject();
        v.keyedRanks.push_back({static_cast<std::uint64_t>(object[QStringLiteral("i")].toInteger()),
                                static_cast<std::uint64_t>(object[QStringLiteral("n")].toInteger()),
                                static_cast<std::size_t>(object[QStringLiteral("x")].toArray().size()),
                                static_cast<std::uint64_t>(object[QStringLiteral("rank")].toInteger())});
    }
    return v;
}

// L of the rows: all four fields, in their order.
inline std::string participantsFingerprint(const std::vector<std::vector<std::optional<std::string>>>& rows) {
    record::Fingerprint fingerprint;
    for (const auto& row : rows) {
        std::vector<std::optional<std::string_view>> fields(row.begin(), row.end());
        fingerprint.addRow(fields);
    }
    return fingerprint.result().sha256;
}

} // namespace vector
