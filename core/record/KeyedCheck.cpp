// The check of the keyed draws ("Undian Terverifikasi") and the check as one JSON document: the part of
// Verification that recomputes every pick from the seal, the key and the participants table.

#include "core/record/Events.h"
#include "core/record/JournalReading.h"
#include "core/record/Verification.h"
#include "core/verifiable/ParticipantArray.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/text/Integer.h"

#include <QJsonArray>
#include <map>
#include <set>

namespace record {

namespace {

std::optional<std::string> optionalText(const QJsonValue& value) {
    if (value.isNull() || value.isUndefined()) return std::nullopt;
    return value.toString().toStdString();
}

QJsonValue jsonText(const std::optional<std::string>& text) {
    return text ? QJsonValue(QString::fromStdString(*text)) : QJsonValue();
}

// A draw number as the report quotes it.
QString quotedNumber(const std::optional<std::string>& number) {
    return number ? QLatin1Char('\'') + QString::fromStdString(*number) + QLatin1Char('\'') : QStringLiteral("NULL");
}

QString pickText(const verifiable::Pick& pick) {
    return QStringLiteral("participant %1 (%2), rank %3 of %4")
        .arg(pick.id)
        .arg(quotedNumber(pick.number))
        .arg(pick.rank)
        .arg(pick.n);
}

QJsonObject pickJson(const verifiable::Pick& pick) {
    return {{QStringLiteral("i"), static_cast<qint64>(pick.i)},
            {QStringLiteral("prize"), static_cast<qint64>(pick.prize)},
            {QStringLiteral("rank"), static_cast<qint64>(pick.rank)},
            {QStringLiteral("n"), static_cast<qint64>(pick.n)},
            {QStringLiteral("id"), static_cast<qint64>(pick.id)},
            {QStringLiteral("no_undian"), jsonText(pick.number)},
            {QStringLiteral("forfeited"), pick.forfeited}};
}

QJsonArray textsJson(const std::vector<QString>& texts) {
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

QJsonArray planJson(const std::vector<verifiable::PrizeRow>& rows) {
    QJsonArray plan;
    for (const verifiable::PrizeRow& row : rows)
        plan.append(QJsonArray{static_cast<qint64>(row.urut), QString::fromStdString(row.hadiah),
                               static_cast<qint64>(row.jumlah), static_cast<qint64>(row.perRound)});
    return plan;
}

QJsonObject sealJson(const verifiable::Seal& seal) {
    QJsonObject json = seal.details();
    json[QStringLiteral("entry")] = static_cast<qint64>(seal.entry);
    return json;
}

// The participants table in ascending ID order, IDs and draw numbers as the database writes them as text: the list
// a keyed draw ranks. Throws platform::Error for an ID that is not a whole number or one that comes twice.
verifiable::ParticipantArray participantsOf(db::Connection& connection) {
    verifiable::ParticipantArray list;
    // By position, as the fingerprint reads the table: its column names are the database's business.
    db::Statement select(connection, "SELECT * FROM tb_peserta ORDER BY 1, rowid");
    while (select.step()) {
        if (select.columnIsNull(0)) throw platform::Error("a participant has no ID");
        const std::optional<std::int64_t> id = text::parseInteger(select.columnText(0));
        if (!id) throw platform::Error("participant ID '" + std::string(select.columnText(0)) + "' is not a number");
        list.add(*id, select.columnIsNull(1) ? std::nullopt : std::optional<std::string_view>(select.columnText(1)));
    }
    return list;
}

} // namespace

void Verification::gatherKeyed() {
    std::map<std::int64_t, std::size_t> bySeal;  // seal entry -> index in m_keyed
    std::map<std::int64_t, std::size_t> byRound; // round_stopped entry -> index in m_keyed
    for (const JournalEntry& entry : m_entries) {
        const QJsonObject& d = entry.details;
        if (isKind(entry, event::kEventSealed)) {
            m_seals.push_back(verifiable::Seal::fromDetails(d, entry.seq, entry.time));
            if (m_seals.back().on) {
                bySeal[entry.seq] = m_keyed.size();
                m_keyed.push_back({m_seals.back(), {}, {}, {}, {}, {}, {}, false, 0});
            }
        } else if (isKind(entry, event::kKeyFixed)) {
            const auto at = bySeal.find(integer(d, "seal"));
            if (at == bySeal.end()) {
                problem(QStringLiteral("%1 fixes a key for %2, which seals no keyed draw")
                            .arg(entryName(entry.seq), entryName(integer(d, "seal"))));
            } else if (KeyedEvent& event = m_keyed[at->second]; event.key) {
                problem(QStringLiteral("%1 fixes a second key for the seal of %2: its key was fixed in %3")
                            .arg(entryName(entry.seq), entryName(event.seal.entry), entryName(event.key->entry)));
            } else {
                event.key = verifiable::FixedKey::fromDetails(d, entry.seq, entry.time);
            }
        } else if (isKind(entry, event::kRoundStopped) && d.contains(QStringLiteral("seal"))) {
            const auto at = bySeal.find(integer(d, "seal"));
            if (at == bySeal.end()) {
                problem(QStringLiteral("the round of %1 names %2 as its seal, which seals no keyed draw")
                            .arg(entryName(entry.seq), entryName(integer(d, "seal"))));
                continue;
            }
            KeyedEvent& event = m_keyed[at->second];
            if (!event.key)
                problem(QStringLiteral("the round of %1 was drawn before the key of the seal of %2 was fixed")
                            .arg(entryName(entry.seq), entryName(event.seal.entry)));
            const QJsonArray picks = d.value(QStringLiteral("picks")).toArray();
            event.rounds.emplace_back(integer(d, "prize"), static_cast<int>(picks.size()));
            event.roundEntries.push_back(entry.seq);
            byRound[entry.seq] = at->second;
            for (const QJsonValue& value : picks) {
                const QJsonObject pick = value.toObject();
                event.picks.push_back({static_cast<std::uint64_t>(integer(pick, "i")), integer(d, "prize"),
                                       static_cast<std::uint64_t>(integer(pick, "rank")),
                                       static_cast<std::uint64_t>(integer(pick, "n")), integer(pick, "id"),
                                       optionalText(pick.value(QStringLiteral("no_undian"))), false});
            }
        } else if (isKind(entry, event::kWinnerForfeited)) {
            const auto at = byRound.find(integer(d, "round"));
            if (at == byRound.end()) continue; // a forfeit of a random draw
            KeyedEvent& event = m_keyed[at->second];
            const std::int64_t id = integer(d, "id");
            const auto round = std::find(event.roundEntries.begin(), event.roundEntries.end(), at->first);
            std::size_t first = 0; // the round's first pick among the event's
            for (auto r = event.roundEntries.begin(); r != round; ++r)
                first += static_cast<std::size_t>(
                    event.rounds[static_cast<std::size_t>(r - event.roundEntries.begin())].second);
            const std::size_t count = static_cast<std::size_t>(
                event.rounds[static_cast<std::size_t>(round - event.roundEntries.begin())].second);
            bool found = false;
            for (std::size_t p = first; p < first + count && p < event.picks.size(); ++p) {
                if (event.picks[p].id != id || event.picks[p].forfeited) continue;
                event.picks[p].forfeited = true;
                event.forfeits.push_back(event.picks[p].i);
                event.forfeitedAfter.push_back(event.rounds.size());
                found = true;
                break;
            }
            if (!found)
                problem(QStringLiteral("%1 forfeits participant %2 of the round of %3, which did not pick them")
                            .arg(entryName(entry.seq))
                            .arg(id)
                            .arg(entryName(at->first)));
        }
    }
}

void Verification::checkKeyed(db::Connection& connection) {
    if (m_keyed.empty()) return;
    std::optional<verifiable::ParticipantArray> participants;
    std::optional<std::string> tableFingerprint;
    for (KeyedEvent& event : m_keyed) {
        const verifiable::Seal& seal = event.seal;
        if (verifiable::planFingerprint(seal.prizes) != seal.plan)
            problem(QStringLiteral("the plan sealed in %1 does not give its fingerprint P %2")
                        .arg(entryName(seal.entry), QString::fromStdString(seal.plan)));
        if (!event.key) continue; // nothing was drawn under it
        const verifiable::FixedKey& key = *event.key;
        const QByteArray recomputedKey =
            verifiable::drawKey(verifiable::keyInputs(seal, key.publicValues, key.witnessValues));
        if (recomputedKey != key.key)
            problem(QStringLiteral("the key K of %1 is %2, but its values and the seal of %3 give %4")
                        .arg(entryName(key.entry), QString::fromLatin1(key.key.toHex()), entryName(seal.entry),
                             QString::fromLatin1(recomputedKey.toHex())));
        if (!tableFingerprint) tableFingerprint = Fingerprint::ofTable(connection, "tb_peserta").sha256;
        if (*tableFingerprint != seal.participants) {
            problem(QStringLiteral("the participants table (fingerprint %1) is not the list sealed in %2 (fingerprint "
                                   "%3): the picks of its keyed draw cannot be recomputed")
                        .arg(QString::fromStdString(*tableFingerprint), entryName(seal.entry),
                             QString::fromStdString(seal.participants)));
            continue;
        }
        if (!participants) {
            try {
                participants = participantsOf(connection);
            } catch (const platform::Error& error) {
                problem(QStringLiteral("the participants cannot be ranked for the keyed draw: %1")
                            .arg(QString::fromUtf8(error.what())));
                return;
            }
        }
        if (verifiable::publicListFingerprint(*participants) != seal.publicList)
            problem(QStringLiteral("the public list sealed in %1 (Lp %2) is not the participants table's")
                        .arg(entryName(seal.entry), QString::fromStdString(seal.publicList)));
        recompute(event, *participants);
    }
}

void Verification::recompute(KeyedEvent& event, const verifiable::ParticipantList& participants) {
    event.recomputed = true;
    verifiable::KeyedDraw draw(
        participants, event.seal.prizes, event.seal.leaveWinnersOut,
        verifiable::drawKey(verifiable::keyInputs(event.seal, event.key->publicValues, event.key->witnessValues)));
    std::size_t forfeit = 0;
    std::size_t recorded = 0; // picks compared so far
    for (std::size_t round = 0; round < event.rounds.size(); ++round) {
        for (; forfeit < event.forfeits.size() && event.forfeitedAfter[forfeit] <= round; ++forfeit) {
            try {
                draw.forfeit(event.forfeits[forfeit]);
            } catch (const platform::Error& error) {
                problem(QStringLiteral("the forfeit of pick %1 cannot be replayed: %2")
                            .arg(event.forfeits[forfeit])
                            .arg(QString::fromUtf8(error.what())));
            }
        }
        const auto [prize, count] = event.rounds[round];
        const std::optional<verifiable::RoundCall> called = draw.nextRound();
        if (!called || called->prize != prize || called->picks != count) {
            problem(
                QStringLiteral("the round of %1 draws %2 for prize %3, but the keyed draw sealed in %4 calls for %5: "
                               "its picks and those after it cannot be recomputed")
                    .arg(entryName(event.roundEntries[round]))
                    .arg(count)
                    .arg(prize)
                    .arg(entryName(event.seal.entry),
                         called ? QStringLiteral("%1 for prize %2").arg(called->picks).arg(called->prize)
                                : QStringLiteral("no more rounds")));
            return;
        }
        std::vector<verifiable::Pick> made;
        try {
            made = draw.drawRound(*called);
        } catch (const platform::Error& error) {
            problem(QStringLiteral("the round of %1 cannot be recomputed: %2")
                        .arg(entryName(event.roundEntries[round]), QString::fromUtf8(error.what())));
            return;
        }
        for (const verifiable::Pick& pick : made) {
            verifiable::Pick given = event.picks[recorded++];
            given.forfeited = false;
            if (given == pick) {
                ++event.agreeing;
                continue;
            }
            problem(QStringLiteral("pick %1 for prize %2 in %3 is %4, but the key gives pick %5: %6")
                        .arg(given.i)
                        .arg(given.prize)
                        .arg(entryName(event.roundEntries[round]), pickText(given))
                        .arg(pick.i)
                        .arg(pickText(pick)));
        }
    }

    checkKeyedWinners(event);
}

// The winners saved from the keyed rounds are their picks, and every pick of a saved round was saved or forfeited.
void Verification::checkKeyedWinners(const KeyedEvent& event) {
    std::map<std::int64_t, std::size_t> firstOf; // round entry -> its first pick
    for (std::size_t round = 0, first = 0; round < event.rounds.size(); ++round) {
        firstOf[event.roundEntries[round]] = first;
        first += static_cast<std::size_t>(event.rounds[round].second);
    }
    std::set<std::pair<std::int64_t, std::int64_t>> saved; // round, participant
    for (const Winner& winner : m_winners) {
        const auto round = firstOf.find(winner.round);
        if (!winner.prize || round == firstOf.end()) continue;
        saved.emplace(winner.round, winner.participant);
        const std::size_t count = static_cast<std::size_t>(
            event
                .rounds[static_cast<std::size_t>(
                    std::find(event.roundEntries.begin(), event.roundEntries.end(), winner.round) -
                    event.roundEntries.begin())]
                .second);
        const verifiable::Pick* pick = nullptr;
        for (std::size_t p = round->second; p < round->second + count; ++p)
            if (event.picks[p].id == winner.participant) pick = &event.picks[p];
        if (!pick) {
            problem(QStringLiteral("winner row %1 (%2), saved in %3, is participant %4, whom the round of %5 did not "
                                   "pick")
                        .arg(winner.rowid)
                        .arg(quoted(winner.values), entryName(winner.savedSeq))
                        .arg(winner.participant)
                        .arg(entryName(winner.round)));
            continue;
        }
        const QJsonValue number = winner.values.at(0);
        if (number.toString().toStdString() != pick->number.value_or(std::string()))
            problem(QStringLiteral("winner row %1 (%2), saved in %3 for pick %4, holds draw number '%5', but the "
                                   "participant's is %6")
                        .arg(winner.rowid)
                        .arg(quoted(winner.values), entryName(winner.savedSeq))
                        .arg(pick->i)
                        .arg(number.toString(), quotedNumber(pick->number)));
    }
    std::set<std::int64_t> savedRounds;
    for (const PlanRound& round : m_rounds)
        if (round.savedSeq != 0) savedRounds.insert(round.seq);
    for (std::size_t round = 0; round < event.rounds.size(); ++round) {
        const std::int64_t entry = event.roundEntries[round];
        if (!savedRounds.count(entry)) continue;
        const std::size_t first = firstOf[entry];
        for (std::size_t p = first; p < first + static_cast<std::size_t>(event.rounds[round].second); ++p)
            if (!event.picks[p].forfeited && !saved.count({entry, event.picks[p].id}))
                problem(
                    QStringLiteral("pick %1 (participant %2) of the round of %3 was neither saved as its winner nor "
                                   "forfeited")
                        .arg(event.picks[p].i)
                        .arg(event.picks[p].id)
                        .arg(entryName(entry)));
    }
}

QJsonObject Verification::json() const {
    QJsonObject json;
    json[QStringLiteral("database")] = QString::fromStdString(m_path);
    json[QStringLiteral("outcome")] = m_outcome == Outcome::Intact   ? QStringLiteral("intact")
                                      : m_outcome == Outcome::Broken ? QStringLiteral("broken")
                                                                     : QStringLiteral("unreadable");
    json[QStringLiteral("verdict")] = m_verdict;
    QJsonArray problems = QJsonArray::fromStringList(m_problems);
    if (!m_chainBreak.isEmpty()) problems.append(m_chainBreak);
    json[QStringLiteral("problems")] = problems;
    json[QStringLiteral("entries")] = static_cast<qint64>(m_entries.size());
    json[QStringLiteral("last_hash")] = m_entries.empty() ? QJsonValue() : QJsonValue(lastHash());

    QJsonArray runs;
    for (const Run& run : m_runs)
        runs.append(QJsonObject{{QStringLiteral("entry"), static_cast<qint64>(run.seq)},
                                {QStringLiteral("time"), run.time},
                                {QStringLiteral("participants"),
                                 run.participants ? QJsonValue(static_cast<qint64>(*run.participants)) : QJsonValue()},
                                {QStringLiteral("fingerprint"), run.fingerprint}});
    json[QStringLiteral("runs")] = runs;
    QJsonArray winners;
    for (const Winner& winner : m_winners) {
        QJsonObject w{{QStringLiteral("rowid"), static_cast<qint64>(winner.rowid)},
                      {QStringLiteral("values"), winner.values},
                      {QStringLiteral("saved"), static_cast<qint64>(winner.savedSeq)},
                      {QStringLiteral("deleted"), static_cast<qint64>(winner.deletedSeq)},
                      {QStringLiteral("forfeited"), static_cast<qint64>(winner.forfeitSeq)}};
        if (winner.prize) {
            w[QStringLiteral("prize")] = static_cast<qint64>(*winner.prize);
            w[QStringLiteral("id")] = static_cast<qint64>(winner.participant);
            w[QStringLiteral("round")] = static_cast<qint64>(winner.round);
        }
        winners.append(w);
    }
    json[QStringLiteral("winners")] = winners;
    QJsonArray seals;
    for (const verifiable::Seal& seal : m_seals)
        seals.append(sealJson(seal));
    json[QStringLiteral("seals")] = seals;

    // The last keyed draw, in the shape of the event file docs/verifiable-draw.md's script reads.
    const KeyedEvent* event = m_keyed.empty() ? nullptr : &m_keyed.back();
    const auto text = [](const std::string& hex) {
        return hex.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(hex));
    };
    json[QStringLiteral("L")] = event ? text(event->seal.participants) : QJsonValue();
    json[QStringLiteral("Lp")] = event ? text(event->seal.publicList) : QJsonValue();
    json[QStringLiteral("P")] = event ? text(event->seal.plan) : QJsonValue();
    json[QStringLiteral("R")] =
        event ? QJsonValue(QString::fromStdString(verifiable::ruleText(event->seal.leaveWinnersOut))) : QJsonValue();
    json[QStringLiteral("plan")] = event ? planJson(event->seal.prizes) : QJsonArray();
    const bool keyed = event && event->key;
    json[QStringLiteral("V")] = keyed ? QJsonValue(textsJson(event->key->publicValues)) : QJsonValue();
    json[QStringLiteral("W")] = keyed ? QJsonValue(textsJson(event->key->witnessValues)) : QJsonValue();
    json[QStringLiteral("K")] = keyed ? QJsonValue(QString::fromLatin1(event->key->key.toHex())) : QJsonValue();
    QJsonArray rounds, forfeits, picks;
    if (event) {
        for (const auto& [prize, count] : event->rounds)
            rounds.append(QJsonArray{static_cast<qint64>(prize), count});
        for (const std::uint64_t i : event->forfeits)
            forfeits.append(static_cast<qint64>(i));
        for (const verifiable::Pick& pick : event->picks)
            picks.append(pickJson(pick));
    }
    json[QStringLiteral("rounds")] = rounds;
    json[QStringLiteral("forfeits")] = forfeits;
    json[QStringLiteral("picks")] = picks;
    json[QStringLiteral("recomputed")] = event && event->recomputed;
    return json;
}

} // namespace record
