#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace verifiable {

// Ranks left out of a list of n participants (those already picked), kept sorted. The list that remains is never
// built: its r-th member is found by a binary search over the ranks left out, so a pick costs O(log k) for k left
// out, whatever n is.
class ExcludedRanks {
public:
    // Leaves the rank out; false when it already was.
    bool insert(std::uint64_t rank);
    bool contains(std::uint64_t rank) const;
    std::size_t size() const { return m_ranks.size(); }

    // The rank, in the whole list, of the member at 0-based position `position` among those not left out.
    std::uint64_t nthRemaining(std::uint64_t position) const;

private:
    std::vector<std::uint64_t> m_ranks;
};

} // namespace verifiable
