#include "core/verifiable/KeyedDraw.h"

#include "core/verifiable/ParticipantList.h"
#include "platform/Error.h"

#include <algorithm>
#include <utility>

namespace verifiable {

namespace {

std::string describe(const RoundCall& round) {
    return "prize " + std::to_string(round.prize) + " with " + std::to_string(round.picks) +
           (round.picks == 1 ? " pick" : " picks");
}

} // namespace

KeyedDraw::KeyedDraw(const ParticipantList& participants, std::vector<PrizeRow> plan, bool leaveWinnersOut,
                     QByteArray key)
    : m_participants(participants), m_leaveWinnersOut(leaveWinnersOut), m_key(std::move(key)),
      m_pickedAtAll(participants.size()) {
    std::sort(plan.begin(), plan.end(), [](const PrizeRow& a, const PrizeRow& b) { return a.urut < b.urut; });
    for (PrizeRow& row : plan) {
        if (!m_prizes.empty() && m_prizes.back().row.urut == row.urut)
            throw platform::Error("The plan holds prize " + std::to_string(row.urut) + " twice");
        if (row.jumlah < 1 || row.perRound < 1)
            throw platform::Error("Prize " + std::to_string(row.urut) + " of the plan has no winner to draw");
        m_prizes.push_back({std::move(row), chance::ExcludedRanks(participants.size()), 0});
    }
}

std::optional<RoundCall> KeyedDraw::nextRound() const {
    for (const Prize& prize : m_prizes) {
        const std::int64_t open = prize.row.jumlah - prize.filled;
        if (open > 0) return RoundCall{prize.row.urut, static_cast<int>(std::min(open, prize.row.perRound))};
    }
    return std::nullopt;
}

std::vector<Pick> KeyedDraw::drawRound(const RoundCall& round) {
    const std::optional<RoundCall> called = nextRound();
    if (!called) throw platform::Error("Round of " + describe(round) + " after every prize of the plan was drawn");
    if (round != *called)
        throw platform::Error("Round of " + describe(round) + " where the plan calls for " + describe(*called));
    if (eligibleFor(round.prize) < static_cast<std::uint64_t>(round.picks))
        throw platform::Error("Round of " + describe(round) + ": only " + std::to_string(eligibleFor(round.prize)) +
                              " participants are left to draw from");
    std::vector<Pick> made;
    Prize& prize = prizeOf(round.prize);
    for (int k = 0; k < round.picks; ++k) {
        const auto [pick, inList] = makePick(round.prize);
        prize.picked.remove(inList);
        m_pickedAtAll.remove(inList);
        ++prize.filled;
        m_picks.push_back(pick);
        made.push_back(pick);
    }
    return made;
}

void KeyedDraw::forfeit(std::uint64_t i) {
    if (i == 0 || i > m_picks.size())
        throw platform::Error("Forfeit of pick " + std::to_string(i) + ", which was not made");
    Pick& pick = m_picks[i - 1];
    if (pick.forfeited) throw platform::Error("Pick " + std::to_string(i) + " was forfeited already");
    pick.forfeited = true;
    --prizeOf(pick.prize).filled;
}

Pick KeyedDraw::nextPickFor(std::int64_t urut) const {
    return makePick(urut).first;
}

std::pair<Pick, std::uint64_t> KeyedDraw::makePick(std::int64_t urut) const {
    const Prize& prize = prizeOf(urut);
    const chance::ExcludedRanks& left = excludedFor(prize);
    Pick pick;
    pick.i = m_picks.size() + 1;
    pick.prize = urut;
    pick.n = left.count();
    pick.rank = keyedRank(m_key, pick.i, pick.n).rank;
    const std::uint64_t inList = left.at(static_cast<std::size_t>(pick.rank));
    pick.id = m_participants.id(inList);
    pick.number = m_participants.number(inList);
    return {pick, inList};
}

std::uint64_t KeyedDraw::eligibleFor(std::int64_t urut) const {
    return excludedFor(prizeOf(urut)).count();
}

KeyedDraw::Prize& KeyedDraw::prizeOf(std::int64_t urut) {
    return const_cast<Prize&>(std::as_const(*this).prizeOf(urut));
}

const KeyedDraw::Prize& KeyedDraw::prizeOf(std::int64_t urut) const {
    const auto at = std::lower_bound(m_prizes.begin(), m_prizes.end(), urut,
                                     [](const Prize& prize, std::int64_t value) { return prize.row.urut < value; });
    if (at == m_prizes.end() || at->row.urut != urut)
        throw platform::Error("Prize " + std::to_string(urut) + " is not in the plan");
    return *at;
}

const chance::ExcludedRanks& KeyedDraw::excludedFor(const Prize& prize) const {
    return m_leaveWinnersOut ? m_pickedAtAll : prize.picked;
}

} // namespace verifiable
