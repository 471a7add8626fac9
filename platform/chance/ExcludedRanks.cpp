#include "platform/chance/ExcludedRanks.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace chance {

void ExcludedRanks::reset(std::size_t n) {
    assign(n, {});
}

void ExcludedRanks::assign(std::size_t n, std::vector<std::uint32_t> leftOut) {
    // A snapshot's rows are addressed with 32 bits (RowStore), so every rank fits.
    if (n > UINT32_MAX) throw std::length_error("too many participants to draw from");
    m_size = n;
    std::sort(leftOut.begin(), leftOut.end());
    leftOut.erase(std::unique(leftOut.begin(), leftOut.end()), leftOut.end());
    leftOut.erase(std::lower_bound(leftOut.begin(), leftOut.end(), n), leftOut.end());
    m_out = std::move(leftOut);
}

std::size_t ExcludedRanks::at(std::size_t i) const {
    // Below the j-th rank left out lie m_out[j] - j ranks still in, which grows with j: the i-th rank still in has
    // exactly those j ranks left out below it for which that number is at most i.
    std::size_t low = 0, high = m_out.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (m_out[middle] - middle <= i)
            low = middle + 1;
        else
            high = middle;
    }
    return i + low;
}

bool ExcludedRanks::contains(std::size_t rank) const {
    return rank < m_size && !std::binary_search(m_out.begin(), m_out.end(), rank);
}

void ExcludedRanks::remove(std::size_t rank) {
    if (rank >= m_size) return;
    const auto place = std::lower_bound(m_out.begin(), m_out.end(), rank);
    if (place != m_out.end() && *place == rank) return;
    m_out.insert(place, static_cast<std::uint32_t>(rank));
}

void ExcludedRanks::remove(std::vector<std::uint32_t> ranks) {
    std::erase_if(ranks, [&](std::uint32_t rank) { return rank >= m_size; });
    std::sort(ranks.begin(), ranks.end());
    std::vector<std::uint32_t> merged;
    merged.reserve(m_out.size() + ranks.size());
    std::merge(m_out.begin(), m_out.end(), ranks.begin(), ranks.end(), std::back_inserter(merged));
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    m_out = std::move(merged);
}

void ExcludedRanks::restore(std::size_t rank) {
    const auto place = std::lower_bound(m_out.begin(), m_out.end(), rank);
    if (place != m_out.end() && *place == rank) m_out.erase(place);
}

} // namespace chance
