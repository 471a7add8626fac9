#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chance {

// The ranks 0 .. n-1 less those left out, for a draw that picks "the i-th of those still in, in ascending order".
// Only the ranks left out are kept, sorted: the i-th rank still in is found in O(log m) for m left out, and leaving
// a rank out or taking it back costs O(m). Nothing of size n is stored, so a set of left-out ranks is made anew for
// the cost of sorting those ranks alone, however many ranks there are.
class ExcludedRanks {
public:
    // Throws std::length_error beyond 2^32 - 1 ranks, as assign() does.
    explicit ExcludedRanks(std::size_t n = 0) { reset(n); }

    // Every rank of 0 .. n-1 in again.
    void reset(std::size_t n);
    // Every rank in again but these (repeats and ranks not below size() are ignored).
    void assign(std::size_t n, std::vector<std::uint32_t> leftOut);
    std::size_t size() const { return m_size; }
    // Ranks still in.
    std::size_t count() const { return m_size - m_out.size(); }
    // The i-th rank still in, in ascending order; i below count().
    std::size_t at(std::size_t i) const;
    bool contains(std::size_t rank) const;
    // Leaves the rank out; a rank already out, or not below size(), is ignored.
    void remove(std::size_t rank);
    // Leaves all these out at once: one sort and one merge instead of an insertion each.
    void remove(std::vector<std::uint32_t> ranks);
    // Takes a rank left out back in; a rank already in is ignored.
    void restore(std::size_t rank);
    // The ranks left out, ascending.
    const std::vector<std::uint32_t>& leftOut() const { return m_out; }

private:
    std::size_t m_size = 0;
    std::vector<std::uint32_t> m_out; // ascending, no repeats
};

} // namespace chance
