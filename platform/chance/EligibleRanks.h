#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chance {

// The ranks 0 .. n-1 that may still be drawn, for a draw that leaves some out. Drawing stays O(1) and uniform:
// the eligible ranks are kept packed at the front of one array, and leaving one out swaps it with the last
// eligible one. Until the first rank is left out nothing is stored: rank i is the i-th eligible one.
class EligibleRanks {
public:
    explicit EligibleRanks(std::size_t n = 0);

    // Every rank of 0 .. n-1 eligible again.
    void reset(std::size_t n);
    std::size_t size() const { return m_size; }
    std::size_t count() const { return m_count; }
    // The i-th eligible rank, i below count(); the order changes as ranks are left out.
    std::size_t at(std::size_t i) const { return m_ranks.empty() ? i : m_ranks[i]; }
    bool contains(std::size_t rank) const;
    // Leaves the rank out; a rank already out, or not below size(), is ignored. O(1).
    void remove(std::size_t rank);

private:
    std::size_t m_size = 0;
    std::size_t m_count = 0;
    std::vector<std::uint32_t> m_ranks; // the eligible ones first, then those left out
    std::vector<std::uint32_t> m_slot;  // where each rank stands in m_ranks
};

} // namespace chance
