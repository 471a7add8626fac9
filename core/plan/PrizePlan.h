#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace db {
class Connection;
struct RowWrite;
} // namespace db
namespace record {
class Journal;
}

namespace core {

// One prize of the plan as tb_hadiah holds it, with what has been drawn of it.
struct Prize {
    std::int64_t urut = 0; // the order in which prizes are drawn
    QString name;
    std::int64_t quantity = 0; // jumlah: how many winners
    int perRound = 1;          // per_putaran: winners drawn at once
    std::int64_t drawn = 0;    // valid winners: saved and not forfeited
    std::int64_t forfeited = 0;

    std::int64_t open() const { return quantity > drawn ? quantity - drawn : 0; }
    // Winners the next round draws, before counting who may still win.
    int roundSize() const { return static_cast<int>(std::min<std::int64_t>(perRound, open())); }
};

// A participant picked for a prize: saved as its winner, or found absent ("Tidak Hadir"). Either way not drawn for
// that prize again.
struct PrizePick {
    std::int64_t prize = 0;
    std::int64_t participant = 0;
};

// A winner of a round of the plan, as its record in tb_pemenang_hadiah ties the winner row to the plan.
struct PlanWinner {
    std::int64_t key = 0; // the winner row's key in tb_pemenang
    std::int64_t prize = 0;
    std::int64_t participant = 0;
    std::int64_t round = 0; // the journal entry of the round's stop
};

// The prize plan: which prizes are drawn in which order, how many winners each has and how many a round draws, and
// who has been picked for which prize. Without a plan (tb_hadiah missing or empty) the draw is the one of a winner
// at a time with a typed prize.
//
// Tables of their own, made when missing: tb_hadiah (the plan), tb_pemenang_hadiah (per winner row of a round of the
// plan: its prize, the participant's ID and the round), tb_tidak_hadir (the forfeits), tb_acara (the event's name)
// and, for every winner, plan or not, tb_serah_terima (whether the prize was handed over, Handovers). The winners table
// keeps its three text columns, so the export and everything that reads it stay as they are; a plan winner's row leaves
// it when the winner forfeits. Every change is journaled in the change's own transaction.
class PrizePlan {
public:
    static constexpr char kPrizes[] = "tb_hadiah";
    static constexpr char kWinners[] = "tb_pemenang_hadiah";
    static constexpr char kForfeits[] = "tb_tidak_hadir";
    static constexpr char kEvent[] = "tb_acara";
    // The event's name is read in a header line of the audience screen and of the minutes.
    static constexpr int kLongestEventName = 100;
    // Winners drawn at once at most: as many as the audience screen shows readably at a time.
    static constexpr int kLargestRound = 50;

    PrizePlan(db::Connection& connection, record::Journal& journal) : m_connection(connection), m_journal(journal) {}

    // Creates the plan's tables, each when it is missing; an existing one is left as it is.
    static void createTables(db::Connection& connection);

    // Reads the plan and what was drawn of it as the tables hold them now; missing tables are an empty plan.
    void read();
    bool exists() const { return !m_prizes.empty(); }
    // In urut order.
    const std::vector<Prize>& prizes() const { return m_prizes; }
    const Prize* prize(std::int64_t urut) const;
    // Every participant picked for a prize, saved or forfeited.
    const std::vector<PrizePick>& picks() const { return m_picks; }
    // With a plan: every slot of every prize filled.
    bool complete() const;
    // The first prize in urut order with a slot open.
    std::optional<std::int64_t> firstOpen() const;
    // The next prize with a slot open after (direction 1) or before (-1) this one, in urut order.
    std::optional<std::int64_t> nextOpen(std::int64_t from, int direction) const;
    // "Nama acara": the event's name, empty when none was given.
    const QString& eventName() const { return m_eventName; }
    // Stores the name, its spaces and line breaks simplified, with its journal entry (before and after) in one
    // transaction. Refused (platform::Error) when longer than kLongestEventName; false, writing nothing, when the
    // name is already so.
    bool setEventName(const QString& name);
    // The plan's rows as its fingerprint and its journal entries name them: [urut, hadiah, jumlah, per_putaran].
    QJsonArray rows() const;

    // The rules on a row of tb_hadiah written through a cursor (the plan's grid), checked inside the write's
    // transaction: a failure (platform::Error, in the operator's words) rolls the write back. A prize has a name, at
    // least one winner, 1 to 50 winners a round and no more a round than it has; once drawn, its quantity stays at
    // least the winners drawn, and it keeps its urut and its row.
    void checkPrizeWrite(const db::RowWrite& write) const;
    // A winner row deleted through a cursor (the winners grid): the round's record of it goes with it, in the same
    // transaction. Returns the prize it was a winner of.
    std::optional<std::int64_t> winnerRowDeleted(std::int64_t key);
    // The plan's record of a winner row; none for a winner typed in or drawn without a plan.
    std::optional<PlanWinner> winnerOf(std::int64_t key) const;

    // A winner of a round as it is saved.
    struct NewWinner {
        std::int64_t participant = 0;
        QString number;
        QString name;
    };
    // "&Simpan" of a round: one winner row per winner (draw number, name, the prize's name) and its record, with one
    // journal entry naming them all, in one transaction. Refused (platform::Error) when the prize has fewer slots
    // open than winners. Returns the winner rows' keys, in order.
    std::vector<std::int64_t> saveRound(std::int64_t prize, std::int64_t round, const std::vector<NewWinner>& winners);

    // "Tidak Hadir": the winner forfeits the prize. The forfeit is kept with its reason and time, a saved winner's row
    // leaves the winners table with its record and its handover, and the slot opens again: one transaction, one
    // journal entry. Refused for a winner whose prize was handed over already.
    struct Forfeit {
        std::int64_t prize = 0;
        std::int64_t participant = 0;
        QString number;
        QString name;
        QString reason;
        std::optional<std::int64_t> winnerKey; // the saved winner's row; none for a winner of a round not yet saved
        std::int64_t round = 0;                // the round's stop entry, when known
    };
    // Returns the forfeit's key in tb_tidak_hadir.
    std::int64_t forfeit(const Forfeit& forfeit);
    // The same for a saved winner of the plan, by its row's key (the winners screen).
    std::int64_t forfeitWinner(std::int64_t key, const QString& reason);

    // "Import": the plan becomes the workbook's (PlanImport), urut 1, 2, 3, ... in the file's order, replacing the
    // plan there, in one transaction with its journal entry (the file by its SHA-256, the plan before and after).
    // Refused, storing nothing, when the file is, or once anything of the plan has been drawn.
    struct Imported {
        QString refusal; // empty when stored
        std::size_t prizes = 0;
        std::int64_t winners = 0; // the prizes' quantities together
    };
    Imported importFrom(const std::string& path);

    // The reasons offered, in order; another one can be typed.
    static const QStringList& reasons();

private:
    std::int64_t pickedFor(std::int64_t prize) const;

    db::Connection& m_connection;
    record::Journal& m_journal;
    std::vector<Prize> m_prizes;
    std::vector<PrizePick> m_picks;
    QString m_eventName;
};

} // namespace core
