#pragma once

#include "core/draw/DrawObserver.h"
#include "core/draw/WinnerPick.h"
#include "core/verifiable/CursorParticipants.h"
#include "core/verifiable/PublicList.h"
#include "core/verifiable/SealedEvent.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace db {
class Connection;
class TableCursor;
} // namespace db
namespace record {
class Journal;
class SealedList;
} // namespace record

namespace core {

class PrizePlan;
class Settings;

// The keyed draw of an event with a prize plan ("Undian Terverifikasi"), which anyone can recompute: the organiser
// seals the list, the plan and the rule on repeat winners and names the public sources; before the first round the
// values of those sources (and of the witnesses in the hall) fix the key; from then on every pick is the method's
// (docs/verifiable-draw.md). The journal holds the seal, the key and every pick, so a run that ends in the middle goes
// on at the next pick after a restart.
//
// The seal is made before anything of the plan is drawn, so the plan's picks are exactly the picks of the sealed
// event: winners saved earlier (by a draw without a plan) stay in the draw, as the method has it.
class KeyedEvent {
public:
    // The draw's list, its seal and the plan: what the keyed event seals and checks.
    KeyedEvent(db::Connection& connection, record::Journal& journal, Settings& settings,
               const db::TableCursor& participants, const record::SealedList& list, const PrizePlan& plan);
    ~KeyedEvent();

    // Reads the last seal, its key and the picks made under it, as the journal holds them now.
    void read();
    // The draw's list was read again: what was worked out of the one before goes.
    void listRead() { m_participants.reset(); }

    // "Undian Terverifikasi" on: the last seal switched it on.
    bool on() const { return m_seal.has_value(); }
    // The seal in force (none while the mode is off), its key once fixed, and how many picks were made since.
    const std::optional<verifiable::Seal>& seal() const { return m_seal; }
    const std::optional<verifiable::FixedKey>& key() const { return m_key; }
    std::uint64_t picksMade() const { return m_picks; }
    // A round's picks are in the journal.
    void roundRecorded(std::size_t picks) { m_picks += picks; }

    // "Segel Undian". On: seals the draw's list (L, Lp), the plan (P), the rule (R), the sources (one to five, each
    // described as the organiser announces it) and how many witness values the key takes (none to five), recorded
    // as "event_sealed" with `alongside` in the entry's transaction (the seal's letter put in place, say). Refused
    // (platform::Error, in the operator's words) without a plan, once anything of the plan is drawn or a round is
    // open, while the table differs from the list drawn from, or for a source left empty. A seal made again replaces
    // the one before and its key. Off: switches the mode off, recorded likewise; nothing when it is off.
    struct SealRequest {
        bool on = true;
        QStringList sources;
        int witnesses = 0;
    };
    std::optional<verifiable::Seal> sealEvent(const SealRequest& request, bool roundOpen,
                                              const std::function<void(const verifiable::Seal&)>& alongside = {});
    // What the seal in force would record for these values, before they are typed in full: the values as the key
    // takes them.
    static std::vector<QString> valuesAsUsed(const std::vector<QString>& typed);
    // The key dialog's OK: the values of the seal's sources and of its witnesses, as typed, fix the key, recorded as
    // "key_fixed" with every value as used and K. Refused once a key is fixed, while the seal is broken (broken()),
    // or for a value missing or empty.
    verifiable::FixedKey fixKey(const std::vector<QString>& publicValues, const std::vector<QString>& witnessValues);

    // Why the keyed draw cannot draw now: the list drawn from, the plan or the rule on repeat winners is not the one
    // sealed. None while the mode is off or all is as sealed.
    std::optional<QString> broken() const;

    // The draw's list as a keyed draw sees it, worked out on first use.
    const verifiable::CursorParticipants& participants();
    // "Export Daftar Publik": the draw's list, IDs and draw numbers only, put in place inside the transaction of its
    // "public_list_exported" entry. Refused while the mode is on and the list is not the one sealed.
    verifiable::PublicListFile exportPublicList(const QString& path);

    // What the screens show of it.
    KeyedDetails shown() const;

private:
    std::vector<verifiable::PrizeRow> planRows() const;

    db::Connection& m_connection;
    record::Journal& m_journal;
    Settings& m_settings;
    const db::TableCursor& m_cursor;
    const record::SealedList& m_list;
    const PrizePlan& m_plan;
    std::optional<verifiable::Seal> m_seal;
    std::optional<verifiable::FixedKey> m_key;
    std::uint64_t m_picks = 0;
    std::unique_ptr<verifiable::CursorParticipants> m_participants;
};

// The pick of a keyed draw: pick number i is the one after the picks the event has made, plus the pick's place in its
// round; the rank is the method's for the key, i and n.
class KeyedPick : public WinnerPick {
public:
    explicit KeyedPick(const KeyedEvent& event) : m_event(event) {}
    std::uint64_t pick(const PickRequest& request) override;
    // The pick number of the round's pick at this place.
    std::uint64_t number(int place) const { return m_event.picksMade() + static_cast<std::uint64_t>(place) + 1; }

private:
    const KeyedEvent& m_event;
};

} // namespace core
