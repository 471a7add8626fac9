#include "platform/chance/EligibleRanks.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace chance {

EligibleRanks::EligibleRanks(std::size_t n) {
    reset(n);
}

void EligibleRanks::reset(std::size_t n) {
    // A snapshot's rows are addressed with 32 bits (RowStore), so every rank fits.
    if (n > UINT32_MAX) throw std::length_error("too many participants to draw from");
    m_size = n;
    m_out = {};
}

std::size_t EligibleRanks::at(std::size_t i) const {
    // Below the k-th rank left out (0-based) stand m_out[k] - k eligible ones, a count that never falls as k grows.
    // The rank sought lies past exactly those ranks left out that have at most i eligible ones below them.
    std::size_t low = 0, high = m_out.size();
    while (low < high) {
        const std::size_t k = low + (high - low) / 2;
        if (m_out[k] - k <= i)
            low = k + 1;
        else
            high = k;
    }
    return i + low;
}

bool EligibleRanks::contains(std::size_t rank) const {
    return rank < m_size && !std::binary_search(m_out.begin(), m_out.end(), rank);
}

void EligibleRanks::remove(std::size_t rank) {
    if (rank >= m_size) return;
    const auto at = std::lower_bound(m_out.begin(), m_out.end(), rank);
    if (at != m_out.end() && *at == rank) return;
    m_out.insert(at, static_cast<std::uint32_t>(rank));
}

void EligibleRanks::remove(std::vector<std::uint32_t> ranks) {
    std::erase_if(ranks, [&](std::uint32_t rank) { return rank >= m_size; });
    std::sort(ranks.begin(), ranks.end());
    std::vector<std::uint32_t> merged;
    merged.reserve(m_out.size() + ranks.size());
    std::merge(m_out.begin(), m_out.end(), ranks.begin(), ranks.end(), std::back_inserter(merged));
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    m_out = std::move(merged);
}

} // namespace chance
