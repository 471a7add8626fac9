#include "platform/chance/EligibleRanks.h"

#include <numeric>
#include <stdexcept>
#include <utility>

namespace chance {

EligibleRanks::EligibleRanks(std::size_t n) {
    reset(n);
}

void EligibleRanks::reset(std::size_t n) {
    // A snapshot's rows are addressed with 32 bits (RowStore), so every rank fits.
    if (n > UINT32_MAX) throw std::length_error("too many participants to draw from");
    m_size = m_count = n;
    m_ranks = {};
    m_slot = {};
}

bool EligibleRanks::contains(std::size_t rank) const {
    if (rank >= m_size) return false;
    return m_slot.empty() || m_slot[rank] < m_count;
}

void EligibleRanks::remove(std::size_t rank) {
    if (!contains(rank)) return;
    if (m_ranks.empty()) {
        m_ranks.resize(m_size);
        m_slot.resize(m_size);
        std::iota(m_ranks.begin(), m_ranks.end(), 0u);
        std::iota(m_slot.begin(), m_slot.end(), 0u);
    }
    const std::uint32_t slot = m_slot[rank];
    const std::uint32_t last = m_ranks[--m_count];
    std::swap(m_ranks[slot], m_ranks[m_count]);
    m_slot[last] = slot;
    m_slot[rank] = static_cast<std::uint32_t>(m_count);
}

} // namespace chance
