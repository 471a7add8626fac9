#include "core/draw/PlanEligibility.h"

#include "platform/db/TableCursor.h"

#include <algorithm>
#include <iterator>

namespace core {

namespace {

std::vector<std::uint32_t> merged(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    std::vector<std::uint32_t> out;
    out.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::size_t listSize(const db::TableCursor* participants) {
    return participants && participants->active() ? participants->recordCount() : 0;
}

} // namespace

void PlanEligibility::setParticipants(const db::TableCursor* participants) {
    m_participants = participants;
    m_byPrize.clear();
    m_anyPrize.clear();
    m_wonNumbers.clear();
    m_wonVersion.reset();
    m_ranks.reset(listSize(participants));
}

std::optional<std::size_t> PlanEligibility::rankOf(std::int64_t id) const {
    if (listSize(m_participants) == 0) return std::nullopt;
    return m_participants->rankOf(0, std::to_string(id));
}

void PlanEligibility::setPicks(const std::vector<PrizePick>& picks) {
    m_byPrize.clear();
    m_anyPrize.clear();
    for (const PrizePick& pick : picks) {
        const auto rank = rankOf(pick.participant);
        if (!rank) continue; // no longer in the list drawn from
        m_byPrize[pick.prize].push_back(static_cast<std::uint32_t>(*rank));
        m_anyPrize.push_back(static_cast<std::uint32_t>(*rank));
    }
    for (auto& [prize, ranks] : m_byPrize)
        std::sort(ranks.begin(), ranks.end());
    std::sort(m_anyPrize.begin(), m_anyPrize.end());
    m_anyPrize.erase(std::unique(m_anyPrize.begin(), m_anyPrize.end()), m_anyPrize.end());
}

void PlanEligibility::scanNumbers(const std::unordered_set<std::string>& numbers) {
    m_wonNumbers.clear();
    if (numbers.empty()) return; // nobody to leave out: no pass over the list
    const std::size_t n = listSize(m_participants);
    for (std::size_t rank = 0; rank < n; ++rank)
        if (numbers.count(m_participants->cellText(m_participants->positionOfRank(0, rank), 1)))
            m_wonNumbers.push_back(static_cast<std::uint32_t>(rank));
}

void PlanEligibility::select(std::int64_t prize, const std::unordered_set<std::string>* wonNumbers,
                             std::uint64_t version) {
    m_winnersOnce = wonNumbers != nullptr;
    const auto own = m_byPrize.find(prize);
    std::vector<std::uint32_t> out = own == m_byPrize.end() ? std::vector<std::uint32_t>() : own->second;
    if (wonNumbers) {
        if (m_wonVersion != version) {
            scanNumbers(*wonNumbers);
            m_wonVersion = version;
        }
        out = merged(merged(out, m_anyPrize), m_wonNumbers);
    }
    m_ranks.assign(listSize(m_participants), std::move(out));
}

void PlanEligibility::selectAmongPicks(std::int64_t prize, bool anyPrize) {
    m_winnersOnce = anyPrize;
    m_wonNumbers.clear();
    m_wonVersion.reset();
    const auto own = m_byPrize.find(prize);
    std::vector<std::uint32_t> out = anyPrize                 ? m_anyPrize
                                     : own == m_byPrize.end() ? std::vector<std::uint32_t>()
                                                              : own->second;
    m_ranks.assign(listSize(m_participants), std::move(out));
}

std::size_t PlanEligibility::outOfEveryPrize() const {
    return m_winnersOnce ? merged(m_anyPrize, m_wonNumbers).size() : 0;
}

} // namespace core
