#include "core/verifiable/ExcludedRanks.h"

#include <algorithm>

namespace verifiable {

bool ExcludedRanks::insert(std::uint64_t rank) {
    const auto at = std::lower_bound(m_ranks.begin(), m_ranks.end(), rank);
    if (at != m_ranks.end() && *at == rank) return false;
    m_ranks.insert(at, rank);
    return true;
}

bool ExcludedRanks::contains(std::uint64_t rank) const {
    return std::binary_search(m_ranks.begin(), m_ranks.end(), rank);
}

std::uint64_t ExcludedRanks::nthRemaining(std::uint64_t position) const {
    // Below the k-th rank left out (0-based) stand m_ranks[k] - k members that remain, a count that never falls as
    // k grows. The member sought lies past exactly those ranks left out that have at most `position` remaining
    // members below them.
    std::size_t low = 0;
    std::size_t high = m_ranks.size();
    while (low < high) {
        const std::size_t k = low + (high - low) / 2;
        if (m_ranks[k] - k <= position)
            low = k + 1;
        else
            high = k;
    }
    return position + low;
}

} // namespace verifiable
