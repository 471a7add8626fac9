#pragma once

#include "platform/chance/ExcludedRanks.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

namespace db {
class Connection;
class TableCursor;
} // namespace db

// Who may still be drawn when winners are not drawn again: the participants of the draw's snapshot whose draw
// number is neither among the winners read with the snapshot nor saved as a winner since. Like the snapshot, a
// winner deleted later stays out until the list is read again (the next start-up, or "Muat Ulang Daftar"). Kept as
// ranks in ascending ID order, the order the draw picks by, so a tick stays O(1); the ranks are worked out on first
// use, so a draw that never uses them pays nothing.
class EligibleParticipants {
public:
    // The participants drawn from: the draw's snapshot, which never changes once opened (a list read again is
    // given anew).
    void setParticipants(const db::TableCursor* participants);
    // The draw numbers of the winners as the winners table holds them now: read with the snapshot. A table that
    // cannot be read is remembered, and checkKnown() then says so instead of drawing winners again unawares.
    void readWinners(db::Connection& connection);
    // A winner saved since start-up: that draw number leaves the draw at once.
    void winnerSaved(const std::string& number);

    // Throws when the winners could not be read at start-up: who has won is then unknown.
    void checkKnown() const;
    // Whether the winners were read at start-up; when not, how many have won is unknown.
    bool known() const { return !m_unreadable; }
    // Participants in the snapshot, and how many of them may still be drawn.
    std::size_t participants() const;
    std::size_t eligible();
    // The rank, in ascending ID order, of the i-th participant who may still be drawn (i below eligible()).
    std::size_t rankAt(std::size_t i);
    // The draw numbers that have won, and a number that moves whenever they change.
    const std::unordered_set<std::string>& wonNumbers() const { return m_won; }
    std::uint64_t changes() const { return m_changes; }

private:
    void build();
    void leaveOut(const std::string& number);

    const db::TableCursor* m_participants = nullptr;
    std::unordered_set<std::string> m_won;
    std::optional<std::string> m_unreadable;
    chance::ExcludedRanks m_ranks;
    bool m_built = false;
    std::uint64_t m_changes = 0;
};
