#pragma once

#include "core/verifiable/DrawKey.h"
#include "platform/chance/ExcludedRanks.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace verifiable {

class ParticipantList;

// One pick of a keyed draw: pick number i (1, 2, 3, ... over the whole event), the prize it is for (the plan's
// urut), the rank drawn among the n participants who could win it (0-based, in ascending ID order), and who that is.
struct Pick {
    std::uint64_t i = 0;
    std::int64_t prize = 0;
    std::uint64_t rank = 0;
    std::uint64_t n = 0;
    std::int64_t id = 0;
    std::optional<std::string> number; // no_undian
    bool forfeited = false;
    bool operator==(const Pick&) const = default;
};

// A round as the plan calls for it: the prize, and how many picks it makes at once.
struct RoundCall {
    std::int64_t prize = 0;
    int picks = 0;
    bool operator==(const RoundCall&) const = default;
};

// A draw whose every pick follows from its key. Prizes are drawn in urut order: a round is for the first prize with
// a slot open, and makes as many picks as the prize allows per round, or as slots are open if fewer. A pick for a
// prize is uniform among the participants not yet picked for that prize (with the rule R, not yet picked at all),
// forfeited winners included: a forfeit reopens the slot, which a later round of the same prize fills, and the
// forfeited participant stays out. Nothing here is random: replaying the same rounds and forfeits gives the same
// winners, which is how the check recomputes a draw.
class KeyedDraw {
public:
    // `participants` must outlive the draw and stay unchanged. `key` is the 32 bytes of drawKey(). Throws
    // platform::Error for a plan with two rows of one urut, or a row with no winner or none per round.
    KeyedDraw(const ParticipantList& participants, std::vector<PrizeRow> plan, bool leaveWinnersOut, QByteArray key);

    // The round the plan calls for next, or none when every slot of every prize is filled.
    std::optional<RoundCall> nextRound() const;
    // Makes the round's picks and returns them. The round must be the one nextRound() calls for; a round recorded
    // otherwise, or one for which too few participants are left, is refused with platform::Error and changes
    // nothing.
    std::vector<Pick> drawRound(const RoundCall& round);
    // The winner of pick i does not take the prize: the slot opens again. Throws for a pick not made or already
    // forfeited.
    void forfeit(std::uint64_t i);

    // The pick that pick number picks().size() + 1 would be for this prize, made and recorded by nothing.
    Pick nextPickFor(std::int64_t prize) const;

    const std::vector<Pick>& picks() const { return m_picks; }
    // How many participants a pick for the prize would be made from now.
    std::uint64_t eligibleFor(std::int64_t prize) const;

private:
    struct Prize {
        PrizeRow row;
        chance::ExcludedRanks picked; // every participant picked for it, forfeited or not
        std::int64_t filled = 0;
    };

    Prize& prizeOf(std::int64_t urut);
    const Prize& prizeOf(std::int64_t urut) const;
    const chance::ExcludedRanks& excludedFor(const Prize& prize) const;
    // The next pick for the prize, and the participant's rank in the whole list.
    std::pair<Pick, std::uint64_t> makePick(std::int64_t urut) const;

    const ParticipantList& m_participants;
    std::vector<Prize> m_prizes; // in urut order
    bool m_leaveWinnersOut;
    QByteArray m_key;
    chance::ExcludedRanks m_pickedAtAll;
    std::vector<Pick> m_picks;
};

} // namespace verifiable
