#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

namespace db {
class Connection;
}
namespace record {
class Journal;
}

namespace core {

// What became of a winner's prize after the draw: still to be handed over (the default), handed over on a day, or
// not taken within the handover period. A prize not taken stays the winner's: its slot is not drawn again.
struct Handover {
    enum class State { Pending, HandedOver, NotTaken };
    State state = State::Pending;
    QDate date; // the day it was handed over; only then

    bool operator==(const Handover& other) const = default;

    // "belum diserahkan", "diserahkan", "tidak diambil": the state as the operator reads it and the table stores it.
    static QString stateText(State state);
    static std::optional<State> stateNamed(const QString& text);
    // As the winners grid shows it: "diserahkan 12-05-2025" with the day.
    QString text() const;
    // As the journal holds it: {"status": ..., "tanggal": "2025-05-12" or null}.
    QJsonObject json() const;
    static Handover fromJson(const QJsonObject& json);
};

// The handover of each winner's prize, kept beside the winners table in tb_serah_terima (one row per winner row whose
// handover was ever recorded, by the winner row's key; a winner without a row is still to be handed over). Every
// change is journaled ("handover_changed") in its own transaction; a winner row that leaves the winners table takes
// its handover with it, in the same transaction.
class Handovers {
public:
    static constexpr char kTable[] = "tb_serah_terima";

    Handovers(db::Connection& connection, record::Journal& journal) : m_connection(connection), m_journal(journal) {}

    // Creates tb_serah_terima when it is missing.
    static void createTable(db::Connection& connection);

    // The handover of the winner row with this key; still to be handed over when none was recorded.
    Handover of(std::int64_t key) const;
    // Every handover recorded, by winner row key.
    std::map<std::int64_t, Handover> all() const;

    // The operator changes a winner's handover. Refused (platform::Error, in the operator's words) when the winner
    // is no longer in the winners table, or handed over without a day or on a day after today. Returns false, writing
    // nothing, when the handover is already so.
    bool change(std::int64_t key, const Handover& to);

    // The handover recorded for this winner row, as the table holds it now.
    static std::optional<Handover> recorded(db::Connection& connection, std::int64_t key);
    // A winner row left the winners table (deleted in the grid, or forfeited): its handover goes with it, inside the
    // caller's transaction. Returns what was recorded.
    static std::optional<Handover> winnerRowGone(db::Connection& connection, std::int64_t key);

private:
    db::Connection& m_connection;
    record::Journal& m_journal;
};

} // namespace core
