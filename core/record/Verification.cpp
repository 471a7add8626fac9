#include "core/record/Verification.h"

#include "core/record/EntryHash.h"
#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "core/record/JournalReading.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <QJsonDocument>
#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace record {

namespace {

QString columnString(const db::Statement& statement, int column) {
    const std::string_view bytes = statement.columnText(column);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString shortHash(const QString& hash) {
    return hash.left(16);
}

// The list an entry read (a run's start, a reload): its size and fingerprint.
Verification::ListRead listRead(const JournalEntry& entry) {
    Verification::ListRead list;
    list.seq = entry.seq;
    list.time = entry.time;
    const QJsonValue participants = entry.details.value(QStringLiteral("participants"));
    if (participants.isDouble()) list.participants = static_cast<std::uint64_t>(participants.toDouble());
    list.fingerprint = entry.details.value(QStringLiteral("fingerprint")).toString();
    return list;
}

// A number as the entries hold it: a JSON number, or the text a table cursor read.
std::int64_t number(const QJsonValue& value) {
    if (value.isString()) return value.toString().trimmed().toLongLong();
    return static_cast<std::int64_t>(value.toDouble());
}

bool isPlanKind(const JournalEntry& entry) {
    for (const char* kind : {event::kPrizeAdded, event::kPrizeChanged, event::kPrizeDeleted, event::kPlanImported,
                             event::kRoundStopped, event::kRoundSaved, event::kRoundCancelled, event::kWinnerForfeited})
        if (isKind(entry, kind)) return true;
    return false;
}

// An entry that drew, saved, changed, deleted or forfeited a winner.
bool drawsOrChangesWinners(const JournalEntry& entry) {
    for (const char* kind : {event::kStop, event::kWinnerSaved, event::kWinnerAdded, event::kWinnerChanged,
                             event::kWinnerDeleted, event::kRoundStopped, event::kRoundSaved, event::kWinnerForfeited})
        if (isKind(entry, kind)) return true;
    return false;
}

// A prize as an entry names it: [urut, hadiah, jumlah, per_putaran], texts or numbers; per_putaran empty is 1.
Verification::PlanPrize planPrize(const QJsonArray& row, std::int64_t seq) {
    Verification::PlanPrize prize;
    prize.urut = number(row.at(0));
    prize.name = row.at(1).toString();
    prize.quantity = number(row.at(2));
    prize.perRound = row.at(3).isNull() || row.at(3).isUndefined() ? 1 : number(row.at(3));
    prize.seq = seq;
    return prize;
}

QString prizeText(const Verification::PlanPrize& prize) {
    return QStringLiteral("('%1', %2, %3)").arg(prize.name).arg(prize.quantity).arg(prize.perRound);
}

// A list of participants as some entry knew it: the journal's seal or a run's start.
struct ListState {
    std::int64_t after = 0; // the state as it was after this entry
    std::int64_t entry = 0; // the entry that says so
    ListSeal seal;
};

// Whether the database holds nothing a journal would have to account for: no row in any table but setup, which
// holds the settings from the day the database is made.
bool holdsNoRows(db::Connection& connection) {
    for (const std::string& table : connection.tableNames()) {
        if (table == "setup") continue;
        db::Statement any(connection, "SELECT 1 FROM " + db::quotedIdentifier(table) + " LIMIT 1");
        if (any.step()) return false;
    }
    return true;
}

} // namespace

namespace {

QString quotedTexts(const std::vector<QString>& texts) {
    QStringList parts;
    for (const QString& text : texts)
        parts << QLatin1Char('\'') + text + QLatin1Char('\'');
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

QString Verification::quoted(const QJsonArray& values) {
    QStringList parts;
    for (const QJsonValue& value : values)
        parts << (value.isNull() || value.isUndefined() ? QStringLiteral("NULL")
                                                        : QLatin1Char('\'') + value.toString() + QLatin1Char('\''));
    return parts.join(QStringLiteral(", "));
}

int Verification::exitCode() const {
    switch (m_outcome) {
    case Outcome::Intact:
        return 0;
    case Outcome::Broken:
        return 1;
    case Outcome::Unreadable:
        return 2;
    }
    return 2;
}

void Verification::problem(const QString& text) {
    m_problems << text;
}

Verification Verification::of(const std::string& path) {
    Verification result;
    result.m_path = db::withoutPassword(path); // what the report shows: never a server's password
    db::Connection connection;
    connection.setDatabasePath(path);
    connection.setReadOnly(true);
    std::optional<db::ReadTransaction> reading;
    try {
        connection.open();
        // One read transaction: the journal and the tables as of one moment, even while the program saves.
        reading.emplace(connection);
        if (!tableExists(connection, Journal::kTable)) {
            // A database the program never opened: the journal begins with its first start.
            if (holdsNoRows(connection)) {
                result.m_verdict = QStringLiteral("OK: nothing to check: the database holds no journal, no "
                                                  "participants and no winners");
                return result;
            }
            result.m_outcome = Outcome::Broken;
            result.m_verdict = QStringLiteral("BROKEN: the database holds no journal (no table tb_jurnal)");
            return result;
        }
        result.readEntries(connection);
    } catch (const std::exception& error) {
        result.m_outcome = Outcome::Unreadable;
        result.m_verdict = QStringLiteral("UNREADABLE: ") + QString::fromUtf8(error.what());
        return result;
    }
    result.checkChain();
    result.replay();
    result.gatherKeyed();
    try {
        result.checkWinners(connection);
        result.checkParticipants(connection);
        result.checkPlan(connection);
        result.checkKeyed(connection);
        result.checkHandovers(connection);
        result.checkEventName(connection);
    } catch (const std::exception& error) {
        result.problem(QStringLiteral("the tables could not be read: ") + QString::fromUtf8(error.what()));
    }
    if (!result.m_chainBreak.isEmpty() || !result.m_problems.isEmpty()) {
        result.m_outcome = Outcome::Broken;
        result.m_verdict = QStringLiteral("BROKEN: ") +
                           (result.m_chainBreak.isEmpty() ? result.m_problems.front() : result.m_chainBreak);
    } else {
        result.m_verdict = QStringLiteral("OK: %1 entries, last hash %2")
                               .arg(result.entryCount())
                               .arg(result.m_entries.empty() ? QStringLiteral("(none)") : result.lastHash());
    }
    return result;
}

void Verification::readEntries(db::Connection& connection) {
    db::Statement select(connection,
                         "SELECT urut, waktu, jenis, rincian, hash_sebelum, hash FROM tb_jurnal ORDER BY urut");
    while (select.step()) {
        JournalEntry entry;
        entry.seq = select.columnInt(0);
        entry.time = columnString(select, 1);
        entry.kind = columnString(select, 2);
        entry.detailsText = columnString(select, 3);
        entry.details = QJsonDocument::fromJson(entry.detailsText.toUtf8()).object();
        entry.previous = columnString(select, 4);
        entry.hash = columnString(select, 5);
        m_entries.push_back(std::move(entry));
    }
}

void Verification::checkChain() {
    std::int64_t expected = 1;
    QString previous = QString::fromLatin1(kZeroHash);
    for (const JournalEntry& entry : m_entries) {
        if (entry.seq != expected) {
            m_chainBreak =
                expected == 1
                    ? QStringLiteral("entry #1 is missing: the journal starts at %1").arg(entryName(entry.seq))
                    : QStringLiteral("entry #%1 is missing: %2 is followed by %3")
                          .arg(expected)
                          .arg(entryName(expected - 1), entryName(entry.seq));
        } else if (entry.previous != previous) {
            m_chainBreak = expected == 1
                               ? QStringLiteral("entry #1 does not start a journal: its previous hash is not zero")
                               : QStringLiteral("%1 does not follow %2: its previous hash is not the hash of %2 (an "
                                                "entry was removed, added or moved there)")
                                     .arg(entryName(entry.seq), entryName(entry.seq - 1));
        } else if (entryHash(entry.previous.toStdString(), entry.seq, entry.time.toStdString(),
                             entry.kind.toStdString(), entry.detailsText.toStdString()) != entry.hash.toStdString()) {
            m_chainBreak = QStringLiteral("%1 does not match its hash: it was changed or moved after it was written")
                               .arg(entryName(entry.seq));
        }
        if (!m_chainBreak.isEmpty()) return;
        previous = entry.hash;
        expected = entry.seq + 1;
    }
}

void Verification::replay() {
    std::map<std::int64_t, std::size_t> live;        // winner rowid -> index in m_winners
    std::map<std::int64_t, std::size_t> pendingStop; // run -> index of its last stop not yet followed by a save
    std::vector<Stop> stops;
    auto addWinner = [&](const JournalEntry& entry, std::int64_t rowid, const QJsonArray& values) {
        if (const auto there = live.find(rowid); there != live.end()) {
            const Winner& old = m_winners[there->second];
            problem(QStringLiteral("%1 saves winner row %2, but row %2 (%3) was still there and no entry deletes it: "
                                   "it was deleted outside the program")
                        .arg(entryName(entry.seq))
                        .arg(rowid)
                        .arg(quoted(old.values)));
        }
        Winner winner;
        winner.rowid = rowid;
        winner.values = values;
        winner.savedSeq = entry.seq;
        winner.savedTime = entry.time;
        winner.run = integer(entry.details, "run");
        winner.addedInGrid = isKind(entry, event::kWinnerAdded);
        live[rowid] = m_winners.size();
        m_winners.push_back(winner);
    };
    // The row as a change or a deletion found it must be the row as the journal left it.
    auto liveWinner = [&](const JournalEntry& entry, std::int64_t rowid, const QJsonArray& found,
                          const QString& action) -> Winner* {
        const auto there = live.find(rowid);
        if (there == live.end()) {
            problem(QStringLiteral("%1 %2 winner row %3 (%4), which no entry saved and which was not there when the "
                                   "journal began")
                        .arg(entryName(entry.seq), action)
                        .arg(rowid)
                        .arg(quoted(found)));
            return nullptr;
        }
        Winner& winner = m_winners[there->second];
        if (winner.values != found)
            problem(QStringLiteral("%1 %2 winner row %3 as %4, but the journal last knew it as %5: it was changed "
                                   "outside the program before")
                        .arg(entryName(entry.seq), action)
                        .arg(rowid)
                        .arg(quoted(found), quoted(winner.values)));
        return &winner;
    };

    std::map<std::int64_t, PlanPrize> plan;
    std::map<std::int64_t, std::size_t> roundAt; // stop entry -> index in m_rounds
    for (const JournalEntry& entry : m_entries) {
        const QJsonObject& d = entry.details;
        if (isPlanKind(entry)) m_planned = true;
        if (isKind(entry, event::kPrizeAdded) || isKind(entry, event::kPrizeChanged) ||
            isKind(entry, event::kPrizeDeleted)) {
            if (isKind(entry, event::kPrizeChanged))
                plan.erase(planPrize(d.value(QStringLiteral("before")).toArray(), entry.seq).urut);
            const PlanPrize prize = planPrize(
                d.value(isKind(entry, event::kPrizeChanged) ? QStringLiteral("after") : QStringLiteral("values"))
                    .toArray(),
                entry.seq);
            if (isKind(entry, event::kPrizeDeleted))
                plan.erase(prize.urut);
            else
                plan[prize.urut] = prize;
        } else if (isKind(entry, event::kPlanImported)) {
            plan.clear();
            for (const QJsonValue& row : d.value(QStringLiteral("after")).toArray()) {
                const PlanPrize prize = planPrize(row.toArray(), entry.seq);
                plan[prize.urut] = prize;
            }
        } else if (isKind(entry, event::kRoundStopped)) {
            roundAt[entry.seq] = m_rounds.size();
            m_rounds.push_back({entry.seq, entry.time, integer(d, "run"), integer(d, "prize"),
                                d.value(QStringLiteral("picks")).toArray(), 0, 0});
        } else if (isKind(entry, event::kRoundSaved) || isKind(entry, event::kRoundCancelled)) {
            if (const auto round = roundAt.find(integer(d, "round")); round != roundAt.end())
                (isKind(entry, event::kRoundSaved) ? m_rounds[round->second].savedSeq
                                                   : m_rounds[round->second].cancelledSeq) = entry.seq;
            if (isKind(entry, event::kRoundSaved))
                for (const QJsonValue& value : d.value(QStringLiteral("winners")).toArray()) {
                    const QJsonObject saved = value.toObject();
                    addWinner(entry, integer(saved, "rowid"), saved.value(QStringLiteral("values")).toArray());
                    Winner& winner = m_winners.back();
                    winner.prize = integer(d, "prize");
                    winner.participant = integer(saved, "id");
                    winner.round = integer(d, "round");
                }
        } else if (isKind(entry, event::kWinnerForfeited)) {
            Forfeit forfeit;
            forfeit.seq = entry.seq;
            forfeit.time = entry.time;
            forfeit.run = integer(d, "run");
            forfeit.key = integer(d, "forfeit");
            forfeit.prize = integer(d, "prize");
            forfeit.participant = integer(d, "id");
            forfeit.number = d.value(QStringLiteral("no_undian")).toString();
            forfeit.name = d.value(QStringLiteral("nama")).toString();
            forfeit.reason = d.value(QStringLiteral("alasan")).toString();
            forfeit.forfeitTime = d.value(QStringLiteral("waktu")).toString();
            forfeit.round = integer(d, "round");
            if (d.value(QStringLiteral("rowid")).isDouble()) {
                forfeit.winnerRowid = integer(d, "rowid");
                if (Winner* winner =
                        liveWinner(entry, *forfeit.winnerRowid, d.value(QStringLiteral("values")).toArray(),
                                   QStringLiteral("forfeits"))) {
                    winner->forfeitSeq = entry.seq;
                    live.erase(*forfeit.winnerRowid);
                }
            }
            m_forfeits.push_back(forfeit);
        } else if (isKind(entry, event::kHandoverChanged)) {
            const std::int64_t rowid = integer(d, "rowid");
            if (Winner* winner = liveWinner(entry, rowid, d.value(QStringLiteral("values")).toArray(),
                                            QStringLiteral("records the handover of"))) {
                const core::Handover before = core::Handover::fromJson(d.value(QStringLiteral("before")).toObject());
                if (!(before == winner->handover))
                    problem(
                        QStringLiteral("%1 found the handover of winner row %2 as '%3', but the journal last knew it "
                                       "as '%4': it was changed outside the program before")
                            .arg(entryName(entry.seq))
                            .arg(rowid)
                            .arg(before.text(), winner->handover.text()));
                winner->handover = core::Handover::fromJson(d.value(QStringLiteral("after")).toObject());
                winner->handoverSeq = entry.seq;
                winner->handoverTime = d.value(QStringLiteral("waktu")).toString();
            }
        } else if (isKind(entry, event::kEventNamed)) {
            m_eventName = d.value(QStringLiteral("after")).toString();
            m_eventNameSeq = entry.seq;
        } else if (isKind(entry, event::kJournalBegun)) {
            if (!m_begun) m_begun = entry;
            for (const QJsonValue& row :
                 d.value(QStringLiteral("winners")).toObject().value(QStringLiteral("rows")).toArray()) {
                const QJsonArray cells = row.toArray();
                Winner winner;
                winner.rowid = static_cast<std::int64_t>(cells.at(0).toDouble());
                winner.values = QJsonArray(cells);
                winner.values.removeFirst();
                live[winner.rowid] = m_winners.size();
                m_winners.push_back(winner);
            }
        } else if (isKind(entry, event::kProgramStarted)) {
            Run run;
            static_cast<ListRead&>(run) = listRead(entry);
            if (d.value(QStringLiteral("speed")).isDouble()) run.speed = integer(d, "speed");
            run.host = d.value(QStringLiteral("host")).toString();
            m_runs.push_back(run);
        } else if (isKind(entry, event::kListReloaded)) {
            const ReloadedList list = listRead(entry);
            const std::int64_t run = integer(d, "run");
            const auto owner =
                std::find_if(m_runs.begin(), m_runs.end(), [&](const Run& candidate) { return candidate.seq == run; });
            if (owner != m_runs.end()) owner->reloads.push_back(list);
        } else if (isKind(entry, event::kStop)) {
            const std::int64_t run = integer(d, "run");
            if (const auto earlier = pendingStop.find(run); earlier != pendingStop.end())
                m_unsavedStops.push_back(stops[earlier->second]);
            pendingStop[run] = stops.size();
            stops.push_back({entry.seq, entry.time, run, d});
        } else if (isKind(entry, event::kWinnerSaved) || isKind(entry, event::kWinnerAdded)) {
            if (isKind(entry, event::kWinnerSaved)) pendingStop.erase(integer(d, "run"));
            addWinner(entry, integer(d, "rowid"), d.value(QStringLiteral("values")).toArray());
        } else if (isKind(entry, event::kWinnerChanged)) {
            const std::int64_t rowid = integer(d, "rowid");
            if (Winner* winner =
                    liveWinner(entry, rowid, d.value(QStringLiteral("before")).toArray(), QStringLiteral("changes"))) {
                winner->values = d.value(QStringLiteral("after")).toArray();
                winner->changedSeq = entry.seq;
            }
        } else if (isKind(entry, event::kWinnerDeleted)) {
            const std::int64_t rowid = integer(d, "rowid");
            if (Winner* winner =
                    liveWinner(entry, rowid, d.value(QStringLiteral("values")).toArray(), QStringLiteral("deletes"))) {
                winner->deletedSeq = entry.seq;
                winner->deletedTime = entry.time;
                live.erase(rowid);
            }
        }
    }
    for (const auto& [run, index] : pendingStop)
        m_unsavedStops.push_back(stops[index]);
    for (const auto& [urut, prize] : plan)
        m_plan.push_back(prize);
    std::sort(m_unsavedStops.begin(), m_unsavedStops.end(), [](const Stop& a, const Stop& b) { return a.seq < b.seq; });
}

void Verification::checkWinners(db::Connection& connection) {
    std::map<std::int64_t, const Winner*> expected;
    for (const Winner& winner : m_winners)
        if (!winner.gone()) expected[winner.rowid] = &winner;

    std::vector<std::pair<std::int64_t, QJsonArray>> foreign;
    db::Statement select(connection, "SELECT rowid, * FROM tb_pemenang ORDER BY rowid");
    while (select.step()) {
        const std::int64_t rowid = select.columnInt(0);
        const QJsonArray values = winnerValues(select);
        const auto there = expected.find(rowid);
        if (there != expected.end() && there->second->values == values) {
            expected.erase(there);
            continue;
        }
        foreign.emplace_back(rowid, values);
    }
    // Rows the database numbered anew (a VACUUM by another tool) are found again by their values: a row the table
    // holds under a rowid the journal does not know, with the values of a saved row whose rowid is gone.
    std::set<std::int64_t> inTable;
    for (const auto& row : foreign)
        inTable.insert(row.first);
    const auto key = [](const QJsonArray& values) { return QJsonDocument(values).toJson(QJsonDocument::Compact); };
    std::multimap<QByteArray, std::int64_t> gone; // values -> rowid of the saved rows no longer in the table
    for (const auto& [rowid, winner] : expected)
        if (!inTable.count(rowid)) gone.emplace(key(winner->values), rowid);
    for (auto row = foreign.begin(); row != foreign.end();) {
        const auto same = expected.count(row->first) ? gone.end() : gone.find(key(row->second));
        if (same == gone.end()) {
            ++row;
            continue;
        }
        expected.erase(same->second);
        gone.erase(same);
        row = foreign.erase(row);
    }
    for (const auto& [rowid, values] : foreign) {
        const auto there = expected.find(rowid);
        if (there != expected.end()) {
            const Winner& winner = *there->second;
            problem(QStringLiteral("winner row %1 is %2, but %3 left it as %4: it was changed outside the program")
                        .arg(rowid)
                        .arg(quoted(values),
                             winner.savedSeq == 0 && winner.changedSeq == 0
                                 ? QStringLiteral("the journal's seal (entry #1)")
                                 : entryName(winner.changedSeq ? winner.changedSeq : winner.savedSeq),
                             quoted(winner.values)));
            expected.erase(there);
        } else {
            problem(QStringLiteral("winner row %1 (%2) was not saved by the program and was not there when the "
                                   "journal began")
                        .arg(rowid)
                        .arg(quoted(values)));
        }
    }
    for (const auto& [rowid, winner] : expected)
        problem(QStringLiteral("winner row %1 (%2), %3, is missing and no entry deletes it")
                    .arg(rowid)
                    .arg(quoted(winner->values), winner->savedSeq == 0
                                                     ? QStringLiteral("there when the journal began")
                                                     : QStringLiteral("saved in ") + entryName(winner->savedSeq)));
}

void Verification::checkParticipants(db::Connection& connection) {
    std::vector<std::int64_t> changes; // entries that change the participants, in order
    std::optional<ListState> reference;
    auto changedBetween = [&](std::int64_t a, std::int64_t b) {
        const auto [low, high] = std::minmax(a, b);
        return std::any_of(changes.begin(), changes.end(), [&](std::int64_t seq) { return seq > low && seq <= high; });
    };
    // Two lists with no change between them must be the same list.
    auto compare = [&](const ListState& state) {
        if (reference && !changedBetween(reference->after, state.after) && !(reference->seal == state.seal))
            problem(QStringLiteral("the participants changed outside the program: %1 found %2 participants "
                                   "(fingerprint %3), %4 had found %5 (fingerprint %6), and no entry between them "
                                   "changes the participants")
                        .arg(entryName(state.entry))
                        .arg(state.seal.count)
                        .arg(shortHash(QString::fromStdString(state.seal.sha256)), entryName(reference->entry))
                        .arg(reference->seal.count)
                        .arg(shortHash(QString::fromStdString(reference->seal.sha256))));
        if (!reference || state.after >= reference->after) reference = state;
    };
    for (const JournalEntry& entry : m_entries) {
        const QJsonObject& d = entry.details;
        if (std::any_of(std::begin(event::kParticipantChanges), std::end(event::kParticipantChanges),
                        [&](const char* kind) { return isKind(entry, kind); })) {
            changes.push_back(entry.seq);
        } else if (isKind(entry, event::kJournalBegun)) {
            const QJsonObject list = d.value(QStringLiteral("participants")).toObject();
            if (!list.isEmpty())
                compare({entry.seq - 1,
                         entry.seq,
                         {static_cast<std::uint64_t>(list.value(QStringLiteral("count")).toDouble()),
                          list.value(QStringLiteral("fingerprint")).toString().toStdString()}});
        } else if ((isKind(entry, event::kProgramStarted) || isKind(entry, event::kListReloaded)) &&
                   d.value(QStringLiteral("fingerprint")).isString()) {
            compare({integer(d, "list_read_after"),
                     entry.seq,
                     {static_cast<std::uint64_t>(d.value(QStringLiteral("participants")).toDouble()),
                      d.value(QStringLiteral("fingerprint")).toString().toStdString()}});
        }
    }
    if (!reference || m_entries.empty() || changedBetween(reference->after, m_entries.back().seq)) return;
    const ListSeal now = Fingerprint::ofTable(connection, "tb_peserta");
    if (!(now == reference->seal))
        problem(QStringLiteral("the participants changed outside the program: the table holds %1 participants "
                               "(fingerprint %2), %3 found %4 (fingerprint %5), and no entry since changes them")
                    .arg(now.count)
                    .arg(shortHash(QString::fromStdString(now.sha256)), entryName(reference->entry))
                    .arg(reference->seal.count)
                    .arg(shortHash(QString::fromStdString(reference->seal.sha256))));
}

void Verification::checkPlan(db::Connection& connection) {
    // The plan's rows against the entries that added, changed, deleted or imported them.
    std::map<std::int64_t, const PlanPrize*> expected;
    for (const PlanPrize& prize : m_plan)
        expected[prize.urut] = &prize;
    if (connection.hasTable("tb_hadiah")) {
        db::Statement rows(connection, "SELECT urut, hadiah, jumlah, per_putaran FROM tb_hadiah ORDER BY urut");
        while (rows.step()) {
            PlanPrize found;
            found.urut = rows.columnInt(0);
            found.name = columnString(rows, 1);
            found.quantity = rows.columnIsNull(2) ? 0 : rows.columnInt(2);
            found.perRound = rows.columnIsNull(3) ? 1 : rows.columnInt(3);
            const auto there = expected.find(found.urut);
            if (there == expected.end()) {
                problem(QStringLiteral("prize %1 %2 of the plan was not added by the program")
                            .arg(found.urut)
                            .arg(prizeText(found)));
                continue;
            }
            const PlanPrize& known = *there->second;
            if (known.name != found.name || known.quantity != found.quantity || known.perRound != found.perRound)
                problem(QStringLiteral("prize %1 of the plan is %2, but %3 left it as %4: the plan was changed outside "
                                       "the program")
                            .arg(found.urut)
                            .arg(prizeText(found), entryName(known.seq), prizeText(known)));
            expected.erase(there);
        }
    }
    for (const auto& [urut, prize] : expected)
        problem(QStringLiteral("prize %1 %2 of the plan, left so by %3, is missing and no entry deletes it")
                    .arg(urut)
                    .arg(prizeText(*prize), entryName(prize->seq)));

    // Each winner of a round of the plan still in the winners table has its record, as its entry saved it.
    std::map<std::int64_t, const Winner*> records;
    std::map<std::int64_t, std::int64_t> winnersOf; // prize -> winners in the table
    for (const Winner& winner : m_winners)
        if (winner.prize && !winner.gone()) {
            records[winner.rowid] = &winner;
            ++winnersOf[*winner.prize];
        }
    if (connection.hasTable("tb_pemenang_hadiah")) {
        db::Statement rows(connection, "SELECT pemenang, urut_hadiah, id_peserta, putaran FROM tb_pemenang_hadiah "
                                       "ORDER BY pemenang");
        while (rows.step()) {
            const std::int64_t key = rows.columnInt(0);
            const auto there = records.find(key);
            if (there == records.end()) {
                problem(QStringLiteral("the plan's record of winner row %1 (prize %2, participant %3) was not made by "
                                       "the program")
                            .arg(key)
                            .arg(rows.columnInt(1))
                            .arg(rows.columnInt(2)));
                continue;
            }
            const Winner& winner = *there->second;
            if (*winner.prize != rows.columnInt(1) || winner.participant != rows.columnInt(2) ||
                winner.round != rows.columnInt(3))
                problem(QStringLiteral("the plan's record of winner row %1 is prize %2, participant %3, round %4, but "
                                       "%5 saved it as prize %6, participant %7, round %8: it was changed outside the "
                                       "program")
                            .arg(key)
                            .arg(rows.columnInt(1))
                            .arg(rows.columnInt(2))
                            .arg(rows.columnInt(3))
                            .arg(entryName(winner.savedSeq))
                            .arg(*winner.prize)
                            .arg(winner.participant)
                            .arg(winner.round));
            records.erase(there);
        }
    }
    for (const auto& [key, winner] : records)
        problem(QStringLiteral("winner row %1 (%2) of prize %3, saved in %4, has no record in the plan's table "
                               "tb_pemenang_hadiah")
                    .arg(key)
                    .arg(quoted(winner->values))
                    .arg(*winner->prize)
                    .arg(entryName(winner->savedSeq)));

    // Each forfeit's row, as its entry recorded it.
    std::map<std::int64_t, const Forfeit*> forfeits;
    for (const Forfeit& forfeit : m_forfeits)
        forfeits[forfeit.key] = &forfeit;
    const auto forfeitText = [](std::int64_t prize, const QString& number, const QString& name, const QString& reason) {
        return QStringLiteral("prize %1, '%2', '%3', '%4'").arg(prize).arg(number, name, reason);
    };
    if (connection.hasTable("tb_tidak_hadir")) {
        db::Statement rows(connection, "SELECT urut, urut_hadiah, id_peserta, no_undian, nama, alasan, waktu, pemenang "
                                       "FROM tb_tidak_hadir ORDER BY urut");
        while (rows.step()) {
            const std::int64_t key = rows.columnInt(0);
            const QString found =
                forfeitText(rows.columnInt(1), columnString(rows, 3), columnString(rows, 4), columnString(rows, 5));
            const auto there = forfeits.find(key);
            if (there == forfeits.end()) {
                problem(QStringLiteral("forfeit row %1 (%2) was not recorded by the program").arg(key).arg(found));
                continue;
            }
            const Forfeit& forfeit = *there->second;
            // A winner row's key is at least 1: 0 stands for none.
            const std::int64_t removed = rows.columnIsNull(7) ? 0 : rows.columnInt(7);
            if (forfeit.prize != rows.columnInt(1) || forfeit.participant != rows.columnInt(2) ||
                forfeit.number != columnString(rows, 3) || forfeit.name != columnString(rows, 4) ||
                forfeit.reason != columnString(rows, 5) || forfeit.forfeitTime != columnString(rows, 6) ||
                forfeit.winnerRowid.value_or(0) != removed)
                problem(QStringLiteral("forfeit row %1 is %2, but %3 recorded it as %4: it was changed outside the "
                                       "program")
                            .arg(key)
                            .arg(found, entryName(forfeit.seq),
                                 forfeitText(forfeit.prize, forfeit.number, forfeit.name, forfeit.reason)));
            forfeits.erase(there);
        }
    }
    for (const auto& [key, forfeit] : forfeits)
        problem(QStringLiteral("forfeit row %1 (%2), recorded in %3, is missing")
                    .arg(key)
                    .arg(forfeitText(forfeit->prize, forfeit->number, forfeit->name, forfeit->reason),
                         entryName(forfeit->seq)));

    // No prize has more winners than it has.
    for (const PlanPrize& prize : m_plan)
        if (winnersOf[prize.urut] > prize.quantity)
            problem(QStringLiteral("prize %1 ('%2') has %3 winners, more than its %4")
                        .arg(prize.urut)
                        .arg(prize.name)
                        .arg(winnersOf[prize.urut])
                        .arg(prize.quantity));
}

void Verification::checkHandovers(db::Connection& connection) {
    // Each handover recorded for a winner still in the table, as its last entry recorded it.
    std::map<std::int64_t, const Winner*> expected;
    for (const Winner& winner : m_winners)
        if (winner.handoverSeq != 0 && !winner.gone()) expected[winner.rowid] = &winner;
    const auto handoverText = [](const QString& status, const QString& date) {
        return date.isEmpty() ? QStringLiteral("'%1'").arg(status) : QStringLiteral("'%1' on %2").arg(status, date);
    };
    if (connection.hasTable(core::Handovers::kTable)) {
        db::Statement rows(connection,
                           "SELECT pemenang, status, tanggal, waktu FROM tb_serah_terima ORDER BY pemenang");
        while (rows.step()) {
            const std::int64_t key = rows.columnInt(0);
            const QString found = handoverText(columnString(rows, 1), columnString(rows, 2));
            const auto there = expected.find(key);
            if (there == expected.end()) {
                problem(QStringLiteral("the handover of winner row %1 (%2) was not recorded by the program")
                            .arg(key)
                            .arg(found));
                continue;
            }
            const Winner& winner = *there->second;
            const QJsonObject recorded = winner.handover.json();
            const QString recordedText = handoverText(recorded.value(QStringLiteral("status")).toString(),
                                                      recorded.value(QStringLiteral("tanggal")).toString());
            if (found != recordedText || columnString(rows, 3) != winner.handoverTime)
                problem(QStringLiteral("the handover of winner row %1 (%2) is %3, but %4 recorded it as %5: it was "
                                       "changed outside the program")
                            .arg(key)
                            .arg(quoted(winner.values), found, entryName(winner.handoverSeq), recordedText));
            expected.erase(there);
        }
    }
    for (const auto& [key, winner] : expected)
        problem(QStringLiteral("the handover of winner row %1 (%2), recorded in %3, is missing")
                    .arg(key)
                    .arg(quoted(winner->values), entryName(winner->handoverSeq)));
}

void Verification::checkEventName(db::Connection& connection) {
    bool found = false;
    if (connection.hasTable("tb_acara")) {
        db::Statement rows(connection, "SELECT nama_acara FROM tb_acara ORDER BY urut");
        while (rows.step()) {
            const QString name = columnString(rows, 0);
            if (m_eventNameSeq == 0 || found)
                problem(QStringLiteral("the event's name '%1' was not given by the program").arg(name));
            else if (name != m_eventName)
                problem(QStringLiteral("the event's name is '%1', but %2 named it '%3': it was changed outside the "
                                       "program")
                            .arg(name, entryName(m_eventNameSeq), m_eventName));
            found = true;
        }
    }
    if (m_eventNameSeq != 0 && !found)
        problem(QStringLiteral("the event's name '%1', given in %2, is missing")
                    .arg(m_eventName, entryName(m_eventNameSeq)));
}

std::vector<const Verification::Winner*> Verification::replacements() const {
    std::vector<const Winner*> replacedBy(m_forfeits.size(), nullptr);
    std::set<const Winner*> taken;
    for (std::size_t i = 0; i < m_forfeits.size(); ++i) {
        const Forfeit& forfeit = m_forfeits[i];
        for (const Winner& winner : m_winners) {
            if (winner.prize != forfeit.prize || winner.savedSeq <= forfeit.seq || taken.count(&winner)) continue;
            // A winner of the round the absent one was drawn in, saved after: that round was short of one.
            if (winner.round == forfeit.round) continue;
            replacedBy[i] = &winner;
            taken.insert(&winner);
            break;
        }
    }
    return replacedBy;
}

std::vector<Verification::Run> Verification::runsWithDraws() const {
    std::set<std::int64_t> drew;
    for (const JournalEntry& entry : m_entries)
        if (drawsOrChangesWinners(entry)) drew.insert(integer(entry.details, "run"));
    std::vector<Run> runs;
    std::copy_if(m_runs.begin(), m_runs.end(), std::back_inserter(runs),
                 [&](const Run& run) { return drew.count(run.seq) != 0; });
    return runs;
}

std::vector<Verification::ListDrawnFrom> Verification::listsDrawnFrom() const {
    std::set<std::int64_t> used; // the entries that read a list something happened under
    for (const JournalEntry& entry : m_entries) {
        if (!drawsOrChangesWinners(entry)) continue;
        const std::int64_t runSeq = integer(entry.details, "run");
        const auto run = std::find_if(m_runs.begin(), m_runs.end(), [&](const Run& r) { return r.seq == runSeq; });
        if (run == m_runs.end()) continue;
        std::int64_t inForce = run->seq;
        for (const ReloadedList& list : run->reloads)
            if (list.seq < entry.seq) inForce = list.seq;
        used.insert(inForce);
    }
    std::vector<ListDrawnFrom> lists;
    for (const Run& run : m_runs) {
        if (used.count(run.seq)) lists.push_back({run, run.seq, false});
        for (const ReloadedList& list : run.reloads)
            if (used.count(list.seq)) lists.push_back({list, run.seq, true});
    }
    return lists;
}

QStringList Verification::keyedText() const {
    QStringList lines;
    for (const KeyedEvent& keyed : m_keyed) {
        lines << QStringLiteral("Keyed draw sealed in entry #%1: %2")
                     .arg(keyed.seal.entry)
                     .arg(keyed.key
                              ? QStringLiteral("key fixed in entry #%1, V %2, W %3")
                                    .arg(keyed.key->entry)
                                    .arg(quotedTexts(keyed.key->publicValues), quotedTexts(keyed.key->witnessValues))
                              : QStringLiteral("no key fixed"));
        for (const verifiable::Pick& pick : keyed.picks)
            lines << QStringLiteral("  pick %1  prize %2  rank %3/%4  ID %5  no_undian %6%7")
                         .arg(pick.i)
                         .arg(pick.prize)
                         .arg(pick.rank)
                         .arg(pick.n)
                         .arg(pick.id)
                         .arg(pick.number ? QLatin1Char('\'') + QString::fromStdString(*pick.number) + QLatin1Char('\'')
                                          : QStringLiteral("NULL"),
                              pick.forfeited ? QStringLiteral("  FORFEITED") : QString());
        if (keyed.key)
            lines << (keyed.recomputed ? QStringLiteral("  %1 of %2 picks agree with the key")
                                             .arg(keyed.agreeing)
                                             .arg(keyed.picks.size())
                                       : QStringLiteral("  the picks could not be recomputed"));
    }
    return lines;
}

QString Verification::text() const {
    QStringList lines;
    lines << QStringLiteral("Journal of %1").arg(QString::fromStdString(m_path));
    if (m_begun) {
        const QJsonObject list = m_begun->details.value(QStringLiteral("participants")).toObject();
        const QJsonObject winners = m_begun->details.value(QStringLiteral("winners")).toObject();
        lines << QStringLiteral("Journal begun %1 (entry #%2): %3 participants, fingerprint %4; %5 winners already "
                                "there")
                     .arg(m_begun->time)
                     .arg(m_begun->seq)
                     .arg(list.value(QStringLiteral("count")).toInteger())
                     .arg(list.value(QStringLiteral("fingerprint")).toString())
                     .arg(winners.value(QStringLiteral("count")).toInteger());
    }
    auto winnerLine = [](std::int64_t seq, const QString& time, const QString& what, const Winner& winner) {
        return QStringLiteral("  entry #%1, %2: %3 row %4: %5")
            .arg(seq)
            .arg(time, what)
            .arg(winner.rowid)
            .arg(quoted(winner.values));
    };
    std::map<std::int64_t, std::int64_t> runOf; // entry -> its run
    for (const JournalEntry& entry : m_entries)
        runOf[entry.seq] = integer(entry.details, "run");
    // Where runs of several machines wrote one journal (desks on one server), each run says which machine it was.
    std::set<QString> hosts;
    for (const Run& run : m_runs)
        hosts.insert(run.host);
    const bool severalDesks = hosts.size() > 1;
    for (const Run& run : m_runs) {
        lines << QStringLiteral("Run of entry #%1, started %2%6: %3 participants, fingerprint %4%5")
                     .arg(run.seq)
                     .arg(run.time, run.participants ? QString::number(*run.participants) : QStringLiteral("no"),
                          run.fingerprint.isEmpty() ? QStringLiteral("(none)") : run.fingerprint,
                          run.speed ? QStringLiteral(", speed %1 ms").arg(*run.speed) : QString(),
                          severalDesks ? QStringLiteral(" on %1").arg(run.host.isEmpty() ? QStringLiteral("(unnamed)")
                                                                                         : run.host)
                                       : QString());
        std::vector<std::pair<std::int64_t, QString>> events;
        for (const ReloadedList& list : run.reloads)
            events.emplace_back(list.seq,
                                QStringLiteral("  entry #%1, %2: list reloaded: %3 participants, fingerprint %4")
                                    .arg(list.seq)
                                    .arg(list.time,
                                         list.participants ? QString::number(*list.participants) : QStringLiteral("no"),
                                         list.fingerprint.isEmpty() ? QStringLiteral("(none)") : list.fingerprint));
        for (const Winner& winner : m_winners) {
            if (winner.savedSeq != 0 && winner.run == run.seq)
                events.emplace_back(winner.savedSeq,
                                    winnerLine(winner.savedSeq, winner.savedTime,
                                               winner.addedInGrid ? QStringLiteral("winner added in the grid")
                                               : winner.prize
                                                   ? QStringLiteral("winner of prize %1 saved").arg(*winner.prize)
                                                   : QStringLiteral("winner saved"),
                                               winner));
            if (winner.deletedSeq != 0 && runOf[winner.deletedSeq] == run.seq)
                events.emplace_back(winner.deletedSeq, winnerLine(winner.deletedSeq, winner.deletedTime,
                                                                  QStringLiteral("winner deleted"), winner));
        }
        for (const Forfeit& forfeit : m_forfeits)
            if (forfeit.run == run.seq)
                events.emplace_back(
                    forfeit.seq,
                    QStringLiteral("  entry #%1, %2: winner of prize %3 forfeited (%4): participant %5, '%6', '%7'%8")
                        .arg(forfeit.seq)
                        .arg(forfeit.time)
                        .arg(forfeit.prize)
                        .arg(forfeit.reason)
                        .arg(forfeit.participant)
                        .arg(forfeit.number, forfeit.name,
                             forfeit.winnerRowid ? QStringLiteral(", row %1 removed").arg(*forfeit.winnerRowid)
                                                 : QStringLiteral(", not yet saved")));
        for (const JournalEntry& entry : m_entries) {
            if (integer(entry.details, "run") != run.seq) continue;
            const auto line = [&](const QString& what) {
                events.emplace_back(entry.seq,
                                    QStringLiteral("  entry #%1, %2: %3").arg(entry.seq).arg(entry.time, what));
            };
            const QJsonObject& d = entry.details;
            if (isKind(entry, event::kPlanImported))
                line(QStringLiteral("prize plan imported: %1 prizes")
                         .arg(d.value(QStringLiteral("after")).toArray().size()));
            else if (isKind(entry, event::kPrizeAdded))
                line(QStringLiteral("prize added to the plan: %1")
                         .arg(quoted(d.value(QStringLiteral("values")).toArray())));
            else if (isKind(entry, event::kPrizeChanged))
                line(QStringLiteral("prize of the plan changed: %1 became %2")
                         .arg(quoted(d.value(QStringLiteral("before")).toArray()),
                              quoted(d.value(QStringLiteral("after")).toArray())));
            else if (isKind(entry, event::kPrizeDeleted))
                line(QStringLiteral("prize deleted from the plan: %1")
                         .arg(quoted(d.value(QStringLiteral("values")).toArray())));
            else if (isKind(entry, event::kEventNamed))
                line(QStringLiteral("event named '%1'").arg(d.value(QStringLiteral("after")).toString()));
            else if (isKind(entry, event::kHandoverChanged))
                line(QStringLiteral("handover of winner row %1 (%2): %3")
                         .arg(integer(d, "rowid"))
                         .arg(quoted(d.value(QStringLiteral("values")).toArray()),
                              core::Handover::fromJson(d.value(QStringLiteral("after")).toObject()).text()));
            else if (isKind(entry, event::kRoundCancelled))
                line(QStringLiteral("round of entry #%1 for prize %2 cancelled")
                         .arg(integer(d, "round"))
                         .arg(integer(d, "prize")));
            else if (isKind(entry, event::kEventSealed))
                line(d.value(QStringLiteral("terverifikasi")).toBool()
                         ? QStringLiteral("keyed draw sealed: %1 participants, L %2, Lp %3, P %4, %5, %6 public "
                                          "sources, %7 witness values")
                               .arg(integer(d, "participants"))
                               .arg(d.value(QStringLiteral("L")).toString(), d.value(QStringLiteral("Lp")).toString(),
                                    d.value(QStringLiteral("P")).toString(), d.value(QStringLiteral("R")).toString())
                               .arg(d.value(QStringLiteral("sources")).toArray().size())
                               .arg(integer(d, "witnesses"))
                         : QStringLiteral("keyed draw switched off"));
            else if (isKind(entry, event::kKeyFixed))
                line(QStringLiteral("key of the seal of entry #%1 fixed: K %2")
                         .arg(integer(d, "seal"))
                         .arg(d.value(QStringLiteral("K")).toString()));
            else if (isKind(entry, event::kPublicListExported))
                line(QStringLiteral("public list exported: %1 participants, Lp %2")
                         .arg(integer(d, "rows"))
                         .arg(d.value(QStringLiteral("Lp")).toString()));
        }
        std::sort(events.begin(), events.end());
        for (const auto& event : events)
            lines << event.second;
    }
    lines << keyedText();
    for (const QString& p : m_problems)
        lines << QStringLiteral("PROBLEM: ") + p;
    if (!m_chainBreak.isEmpty()) lines << QStringLiteral("PROBLEM: ") + m_chainBreak;
    lines << m_verdict;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace record
