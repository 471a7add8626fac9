#include "core/record/Verification.h"

#include "core/record/EntryHash.h"
#include "core/record/Events.h"
#include "core/record/Journal.h"
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

QString entryName(std::int64_t seq) {
    return QStringLiteral("entry #%1").arg(seq);
}

QString shortHash(const QString& hash) {
    return hash.left(16);
}

bool isKind(const JournalEntry& entry, const char* kind) {
    return entry.kind == QLatin1String(kind);
}

std::int64_t integer(const QJsonObject& details, const char* key) {
    return static_cast<std::int64_t>(details.value(QLatin1String(key)).toDouble());
}

// An entry that drew, saved, changed or deleted a winner.
bool drawsOrChangesWinners(const JournalEntry& entry) {
    for (const char* kind :
         {event::kStop, event::kWinnerSaved, event::kWinnerAdded, event::kWinnerChanged, event::kWinnerDeleted})
        if (isKind(entry, kind)) return true;
    return false;
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
    try {
        result.checkWinners(connection);
        result.checkParticipants(connection);
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

    for (const JournalEntry& entry : m_entries) {
        const QJsonObject& d = entry.details;
        if (isKind(entry, event::kJournalBegun)) {
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
            run.seq = entry.seq;
            run.time = entry.time;
            if (d.value(QStringLiteral("participants")).isDouble())
                run.participants = static_cast<std::uint64_t>(d.value(QStringLiteral("participants")).toDouble());
            run.fingerprint = d.value(QStringLiteral("fingerprint")).toString();
            if (d.value(QStringLiteral("speed")).isDouble()) run.speed = integer(d, "speed");
            run.host = d.value(QStringLiteral("host")).toString();
            m_runs.push_back(run);
        } else if (isKind(entry, event::kListReloaded)) {
            ReloadedList list;
            list.seq = entry.seq;
            list.time = entry.time;
            if (d.value(QStringLiteral("participants")).isDouble())
                list.participants = static_cast<std::uint64_t>(d.value(QStringLiteral("participants")).toDouble());
            list.fingerprint = d.value(QStringLiteral("fingerprint")).toString();
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
    std::sort(m_unsavedStops.begin(), m_unsavedStops.end(), [](const Stop& a, const Stop& b) { return a.seq < b.seq; });
}

void Verification::checkWinners(db::Connection& connection) {
    std::map<std::int64_t, const Winner*> expected;
    for (const Winner& winner : m_winners)
        if (winner.deletedSeq == 0) expected[winner.rowid] = &winner;

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
        if (used.count(run.seq))
            lists.push_back({run.seq, run.seq, run.time, run.participants, run.fingerprint, false});
        for (const ReloadedList& list : run.reloads)
            if (used.count(list.seq))
                lists.push_back({run.seq, list.seq, list.time, list.participants, list.fingerprint, true});
    }
    return lists;
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
                                                                  : QStringLiteral("winner saved"),
                                               winner));
            if (winner.deletedSeq != 0 && runOf[winner.deletedSeq] == run.seq)
                events.emplace_back(winner.deletedSeq, winnerLine(winner.deletedSeq, winner.deletedTime,
                                                                  QStringLiteral("winner deleted"), winner));
        }
        std::sort(events.begin(), events.end());
        for (const auto& event : events)
            lines << event.second;
    }
    for (const QString& p : m_problems)
        lines << QStringLiteral("PROBLEM: ") + p;
    if (!m_chainBreak.isEmpty()) lines << QStringLiteral("PROBLEM: ") + m_chainBreak;
    lines << m_verdict;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace record
