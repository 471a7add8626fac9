#pragma once

#include "core/record/Fingerprint.h"
#include "core/verifiable/KeyedDraw.h"
#include "core/verifiable/SealedEvent.h"
#include "core/winners/Handovers.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
}

namespace record {

// One entry of tb_jurnal as stored.
struct JournalEntry {
    std::int64_t seq = 0;
    QString time;
    QString kind;
    QString detailsText;
    QJsonObject details;
    QString previous;
    QString hash;
};

// The check of a database's journal, read only: the chain of hashes, the winners table against the entries that
// saved, changed and deleted its rows, the participants table against the lists the runs started from, the prize
// plan's tables against the entries of the plan, its rounds and its forfeits, and the handovers and the event's name
// against the entries that recorded them. It also gathers what the minutes list:
// the runs, the winners in the order saved, the draws stopped and not saved, and per prize its winners and forfeits.
// A keyed draw ("Undian Terverifikasi") is recomputed from its seal, its key and the participants table, pick by
// pick, against the picks the journal recorded and the winners saved.
class Verification {
public:
    enum class Outcome { Intact, Broken, Unreadable };

    // The list of participants an entry read: at a run's start, or again.
    struct ListRead {
        std::int64_t seq = 0; // the entry that read the list
        QString time;
        std::optional<std::uint64_t> participants;
        QString fingerprint;
    };
    // A list a run read again while it went on ("Muat Ulang Daftar"): the list it drew from from then on.
    using ReloadedList = ListRead;
    // A run, with the list it started with.
    struct Run : ListRead {
        std::optional<std::int64_t> speed;
        QString host;                      // the machine the run ran on; empty in journals written before runs named it
        std::vector<ReloadedList> reloads; // in order
    };
    // A list something was drawn from, saved with or deleted under: the one its run started with, or one the run
    // read again.
    struct ListDrawnFrom : ListRead {
        std::int64_t run = 0; // the run's first entry
        bool reloaded = false;
    };
    struct Winner {
        std::int64_t rowid = 0;
        QJsonArray values;         // no_undian, nama, hadiah as saved (and as changed since, through the grid)
        std::int64_t savedSeq = 0; // 0: in the table when the journal began
        QString savedTime;
        std::int64_t run = 0;
        bool addedInGrid = false; // typed into the winners grid rather than saved by the draw
        std::int64_t changedSeq = 0;
        std::int64_t deletedSeq = 0;
        QString deletedTime;
        // A winner of a round of the prize plan: its prize (urut), the participant's ID and the round (the entry of
        // its stop); found absent, the entry of its forfeit, which took the row out of the table.
        std::optional<std::int64_t> prize;
        std::int64_t participant = 0;
        std::int64_t round = 0;
        std::int64_t forfeitSeq = 0;
        // Whether its prize was handed over, as the last "handover_changed" left it (and that entry, and the time it
        // recorded); still to be handed over while none did.
        core::Handover handover;
        std::int64_t handoverSeq = 0;
        QString handoverTime;
        // Deleted or forfeited: no longer in the winners table.
        bool gone() const { return deletedSeq != 0 || forfeitSeq != 0; }
    };
    struct Stop {
        std::int64_t seq = 0;
        QString time;
        std::int64_t run = 0;
        QJsonObject details; // n, rank, id, no_undian
    };
    // A prize of the plan as the journal left it.
    struct PlanPrize {
        std::int64_t urut = 0;
        QString name;
        std::int64_t quantity = 0;
        std::int64_t perRound = 1;
        std::int64_t seq = 0; // the entry that left it so
    };
    // A winner found absent ("Tidak Hadir").
    struct Forfeit {
        std::int64_t seq = 0;
        QString time;
        std::int64_t run = 0;
        std::int64_t key = 0; // its row in tb_tidak_hadir
        std::int64_t prize = 0;
        std::int64_t participant = 0;
        QString number;
        QString name;
        QString reason;
        QString forfeitTime;                     // as the row holds it
        std::optional<std::int64_t> winnerRowid; // the winner row it removed; none for a round not yet saved
        std::int64_t round = 0;
    };
    // A round of the plan, from its stop.
    struct PlanRound {
        std::int64_t seq = 0;
        QString time;
        std::int64_t run = 0;
        std::int64_t prize = 0;
        QJsonArray picks; // rank, n, id, no_undian, nama
        std::int64_t savedSeq = 0;
        std::int64_t cancelledSeq = 0;
    };

    // A keyed draw: its seal, its key once fixed, and its rounds, picks and forfeits as the journal recorded them.
    struct KeyedEvent {
        verifiable::Seal seal;
        std::optional<verifiable::FixedKey> key;
        std::vector<std::pair<std::int64_t, int>> rounds; // in the order drawn: the prize (urut), the picks made
        std::vector<std::int64_t> roundEntries;           // the round_stopped entry of each round
        std::vector<std::uint64_t> forfeits;              // pick numbers, in the order forfeited
        std::vector<std::size_t> forfeitedAfter;          // per forfeit: how many rounds were drawn before it
        std::vector<verifiable::Pick> picks;              // as recorded, forfeits marked
        // Whether the picks were recomputed (the participants table is the list sealed), and how many of them
        // agree with the recomputed ones.
        bool recomputed = false;
        std::size_t agreeing = 0;
    };

    // Reads the database at `path` without writing to it.
    static Verification of(const std::string& path);

    Outcome outcome() const { return m_outcome; }
    // 0 intact, 1 broken, 2 the file cannot be read.
    int exitCode() const;
    // The last line of the report: "OK: ..." or "BROKEN: ..." or "UNREADABLE: ...".
    const QString& verdict() const { return m_verdict; }
    const QStringList& problems() const { return m_problems; }
    // The whole report, one line each: per run its start, list and winners saved and deleted; the problems; the
    // verdict.
    QString text() const;

    std::int64_t entryCount() const { return static_cast<std::int64_t>(m_entries.size()); }
    QString lastHash() const { return m_entries.empty() ? QString() : m_entries.back().hash; }
    const std::vector<JournalEntry>& entries() const { return m_entries; }
    const std::vector<Run>& runs() const { return m_runs; }
    // The runs in which something was drawn ("Stop") or a winner saved, typed in, changed or deleted: those whose
    // lists the minutes name. The other runs changed nothing of the draw.
    std::vector<Run> runsWithDraws() const;
    // The lists of those runs in force when something was drawn, saved or deleted, in the order read; a list that
    // was read and replaced before anything happened under it is not among them.
    std::vector<ListDrawnFrom> listsDrawnFrom() const;
    const std::vector<Winner>& winners() const { return m_winners; }
    const std::vector<Stop>& unsavedStops() const { return m_unsavedStops; }
    // The prize plan as the journal left it, in urut order; its forfeits and its rounds in the order recorded.
    const std::vector<PlanPrize>& plan() const { return m_plan; }
    const std::vector<Forfeit>& forfeits() const { return m_forfeits; }
    const std::vector<PlanRound>& rounds() const { return m_rounds; }
    // Whether the journal records a prize plan at all.
    bool planned() const { return m_planned; }
    // The event's name as the last "event_named" left it; empty when none did.
    const QString& eventName() const { return m_eventName; }
    // The winner saved for a prize after a forfeit of it, in its slot: for each forfeit in order, the first winner of
    // the prize saved after it that is not another forfeit's. Null where the slot is still open.
    std::vector<const Winner*> replacements() const;
    // Every seal of a keyed draw, on or off, in order; the keyed draws (the seals that switched it on).
    const std::vector<verifiable::Seal>& seals() const { return m_seals; }
    const std::vector<KeyedEvent>& keyedEvents() const { return m_keyed; }
    // The whole check as one JSON document: the outcome, the problems, the runs and winners, every seal, and the last
    // keyed draw's L, Lp, P, R, V, W, K, plan, rounds, forfeits and picks at the top, as docs/verifiable-draw.md's
    // script reads an event.
    QJsonObject json() const;

    // The journal's first entry: what the tables held when it began.
    const std::optional<JournalEntry>& begun() const { return m_begun; }
    const std::string& path() const { return m_path; }

    // A row's values as the report quotes them: 'text' or NULL, joined by ", ".
    static QString quoted(const QJsonArray& values);

private:
    void readEntries(db::Connection& connection);
    void checkChain();
    void replay();
    void checkWinners(db::Connection& connection);
    void checkParticipants(db::Connection& connection);
    void checkPlan(db::Connection& connection);
    // The keyed draws: gathered from the entries, then recomputed from the participants table.
    void gatherKeyed();
    void checkKeyed(db::Connection& connection);
    void recompute(KeyedEvent& event, const verifiable::ParticipantList& participants);
    void checkKeyedWinners(const KeyedEvent& event);
    // The report's lines of the keyed draws: each one's key and picks.
    QStringList keyedText() const;
    void checkHandovers(db::Connection& connection);
    void checkEventName(db::Connection& connection);
    void problem(const QString& text);

    std::string m_path;
    Outcome m_outcome = Outcome::Intact;
    QString m_verdict;
    QString m_chainBreak;
    QStringList m_problems;
    std::vector<JournalEntry> m_entries;
    std::optional<JournalEntry> m_begun;
    std::vector<Run> m_runs;
    std::vector<Winner> m_winners;
    std::vector<Stop> m_unsavedStops;
    std::vector<PlanPrize> m_plan;
    std::vector<Forfeit> m_forfeits;
    std::vector<PlanRound> m_rounds;
    bool m_planned = false;
    std::vector<verifiable::Seal> m_seals;
    std::vector<KeyedEvent> m_keyed;
    QString m_eventName;
    std::int64_t m_eventNameSeq = 0; // the entry that named it
};

} // namespace record
