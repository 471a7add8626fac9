#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace core {

// A winner of a round of the plan, from its pick until the round gives way to the next.
struct RoundWinner {
    std::size_t rank = 0;    // the participant's rank in the list, in ascending ID order
    bool inList = true;      // a round brought back after a restart: whether the list read then holds the winner
    std::uint64_t index = 0; // the pick: its place among those who might still win, ascending ID, 0-based
    std::uint64_t n = 0;     // those who might still win at the pick
    std::int64_t id = 0;
    QString number;
    QString name;
    QString phone;
    std::optional<std::int64_t> key; // the winner row, once saved
    bool forfeited = false;
    std::uint64_t pick = 0; // in a keyed draw, the pick's number i over the whole event; 0 for a random pick
};

// A round of the plan: the prize, its winners as "Stop" picked them, whether "&Simpan" saved them. It stays shown
// until the next "Acak", so a winner of it can still be found absent after the save.
struct PlanRound {
    std::int64_t prize = 0;
    QString prizeName;
    std::int64_t stopEntry = 0; // the journal entry of its stop
    std::vector<RoundWinner> winners;
    bool saved = false;
    bool restored = false; // stopped in a run that ended before its save or "&Batal"

    // Drawn with the event's key: its picks are the method's, and it cannot be cancelled.
    bool keyed() const { return !winners.empty() && winners.front().pick != 0; }

    // Winners not forfeited.
    std::size_t standing() const {
        std::size_t n = 0;
        for (const RoundWinner& w : winners)
            n += w.forfeited ? 0 : 1;
        return n;
    }
};

} // namespace core
