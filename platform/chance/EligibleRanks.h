#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chance {

// The ranks 0 .. n-1 that may still be drawn, for a draw that leaves some out. Only the ranks left out are kept,
// sorted: the i-th eligible rank is found by a binary search over them, so a draw costs O(log k) for k left out and
// the memory is theirs alone, however long the list (a thousand winners among ten million participants: a few
// kilobytes and one search within the processor's cache at every shuffle tick).
class EligibleRanks {
public:
    explicit EligibleRanks(std::size_t n = 0);

    // Every rank of 0 .. n-1 eligible again.
    void reset(std::size_t n);
    std::size_t size() const { return m_size; }
    std::size_t count() const { return m_size - m_out.size(); }
    // The i-th eligible rank in ascending order, i below count().
    std::size_t at(std::size_t i) const;
    bool contains(std::size_t rank) const;
    // Leaves the rank out; a rank already out, or not below size(), is ignored.
    void remove(std::size_t rank);
    // Leaves all these out at once: one sort instead of an insertion each.
    void remove(std::vector<std::uint32_t> ranks);

private:
    std::size_t m_size = 0;
    std::vector<std::uint32_t> m_out; // the ranks left out, ascending
};

} // namespace chance
