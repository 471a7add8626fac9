#pragma once

#include "platform/chance/TickRandom.h"

#include <cstdint>

namespace core {

// One pick of a round of the plan, as the pick is asked for it.
struct PickRequest {
    std::int64_t prize = 0; // the plan's urut
    int place = 0;          // the pick's place in its round, 0 for the first
    std::uint64_t n = 0;    // those who may still win the prize at this pick, at least 1
};

// Picks one participant among those who may still win a prize, given the picks so far: the index, below n, into
// them in ascending order of ID. Those who may still win are worked out by the draw; only the choice among them is
// made here, so a draw that anyone can recompute from published values picks through a keyed pick instead.
class WinnerPick {
public:
    virtual ~WinnerPick() = default;
    virtual std::uint64_t pick(const PickRequest& request) = 0;
};

// The pick from the draw's random numbers, re-seeded from the clock and the system's entropy: every one of the n
// equally likely.
class RandomPick : public WinnerPick {
public:
    explicit RandomPick(chance::TickRandom& random) : m_random(random) {}
    std::uint64_t pick(const PickRequest& request) override {
        m_random.reseed();
        return m_random.uniform(request.n) - 1;
    }

private:
    chance::TickRandom& m_random;
};

} // namespace core
