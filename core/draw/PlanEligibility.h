#pragma once

#include "core/plan/PrizePlan.h"
#include "platform/chance/ExcludedRanks.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace db {
class TableCursor;
}

namespace core {

// Who may still win a prize of the plan, as ranks of the draw's list in ascending ID order: every participant of the
// list but those picked for that prize (saved as its winners or found absent), and with "Pemenang tidak diundi lagi"
// on, but those picked for any prize and those whose draw number was among the winners (as the draw keeps them,
// EligibleParticipants). Only those left out are kept (chance::ExcludedRanks), so a tick and a pick cost O(log m)
// for m left out, and turning to another prize costs sorting its m ranks, however long the list: nothing of the
// list's size is made, except once per list read when winners are not drawn again and some draw numbers have won (a
// pass over the list to find them).
class PlanEligibility {
public:
    // The list drawn from: forgets what was worked out for another.
    void setParticipants(const db::TableCursor* participants);
    // The plan's picks, by participant ID; IDs not in the list are passed over.
    void setPicks(const std::vector<PrizePick>& picks);
    // Turns to this prize: who may still win it. `wonNumbers` with winners not drawn again, else null; `version`
    // tells when that set changed since.
    void select(std::int64_t prize, const std::unordered_set<std::string>* wonNumbers, std::uint64_t version);
    // Turns to this prize as a keyed draw counts who may win it: out are those picked for it, and with `anyPrize`
    // those picked for any prize; nobody is out for a draw number that won outside the plan.
    void selectAmongPicks(std::int64_t prize, bool anyPrize);

    // Who may still win the selected prize, less the picks of the round so far.
    std::size_t count() const { return m_ranks.count(); }
    // The rank, in the list's ascending ID order, of the i-th of them, i below count().
    std::size_t rankAt(std::size_t i) const { return m_ranks.at(i); }
    bool mayWin(std::size_t rank) const { return m_ranks.contains(rank); }
    // A pick of the round: out of the rest of the round; given back when the round is cancelled.
    void pick(std::size_t rank) { m_ranks.remove(rank); }
    void giveBack(std::size_t rank) { m_ranks.restore(rank); }
    // With winners not drawn again: participants of the list out of every prize.
    std::size_t outOfEveryPrize() const;

    // The rank of the participant with this ID in the list; none when the list does not hold it.
    std::optional<std::size_t> rankOf(std::int64_t id) const;

private:
    void scanNumbers(const std::unordered_set<std::string>& numbers);

    const db::TableCursor* m_participants = nullptr;
    std::map<std::int64_t, std::vector<std::uint32_t>> m_byPrize; // prize -> ranks picked for it
    std::vector<std::uint32_t> m_anyPrize;                        // ranks picked for some prize, ascending
    std::vector<std::uint32_t> m_wonNumbers;                      // ranks whose draw number has won, ascending
    std::optional<std::uint64_t> m_wonVersion;                    // of the set m_wonNumbers was found from
    bool m_winnersOnce = false;                                   // those picked for any prize are out
    chance::ExcludedRanks m_ranks;
};

} // namespace core
