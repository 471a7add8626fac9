#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace chance {

// The draw's random numbers. Every tick re-seeds from the high-resolution clock mixed with the operating system's
// entropy, so nobody who knows the tick's time can foretell the pick; the bounded draw is unbiased.
// Clock and entropy are injected, so tests can pin them.
class TickRandom {
public:
    using Source = std::function<std::uint64_t()>;
    TickRandom();
    TickRandom(Source clock, Source entropy);

    // Re-seeds from the clock and the entropy source.
    void reseed();
    // A number from 1 to n inclusive, every value equally likely; n must be at least 1.
    std::uint64_t uniform(std::uint64_t n);

    static std::uint64_t highResolutionClock();

private:
    std::uint64_t next();
    std::uint64_t systemEntropy();
    static void fillFromSystem(std::vector<std::uint64_t>& words);

    Source m_clock;
    Source m_entropy;
    std::uint64_t m_state = 0;
    std::vector<std::uint64_t> m_pool; // entropy read in batches: one system call per few hundred ticks
    std::size_t m_poolNext = 0;
};

} // namespace chance
