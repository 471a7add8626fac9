#include "platform/chance/TickRandom.h"

#include <cerrno>
#include <chrono>
#include <random>
#if defined(__linux__)
#include <sys/random.h>
#endif

namespace chance {

namespace {
std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
} // namespace

TickRandom::TickRandom() : m_clock(&TickRandom::highResolutionClock) {}

TickRandom::TickRandom(Source clock, Source entropy) : m_clock(std::move(clock)), m_entropy(std::move(entropy)) {}

std::uint64_t TickRandom::highResolutionClock() {
    return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

std::uint64_t TickRandom::systemEntropy() {
    if (m_poolNext == m_pool.size()) {
        m_pool.resize(256);
        fillFromSystem(m_pool);
        m_poolNext = 0;
    }
    return m_pool[m_poolNext++];
}

void TickRandom::fillFromSystem(std::vector<std::uint64_t>& words) {
#if defined(__linux__)
    // One getrandom() call for the whole pool: std::random_device costs a system call per 32 bits, which made
    // the entropy most of a tick's time.
    auto* bytes = reinterpret_cast<unsigned char*>(words.data());
    std::size_t filled = 0;
    const std::size_t wanted = words.size() * sizeof(std::uint64_t);
    while (filled < wanted) {
        const ssize_t got = getrandom(bytes + filled, wanted - filled, 0);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    if (filled == wanted) return;
#endif
    // std::random_device is the system's entropy source (getrandom on Linux, the crypto API on Windows).
    static std::random_device device;
    for (auto& word : words)
        word = (static_cast<std::uint64_t>(device()) << 32) | device();
}

void TickRandom::reseed() {
    const std::uint64_t clock = m_clock() & 0xFFFFFFFFull; // the low 32 bits of the counter
    const std::uint64_t entropy = m_entropy ? m_entropy() : systemEntropy();
    std::uint64_t mix = clock ^ entropy;
    m_state = splitmix(mix) ^ entropy;
}

std::uint64_t TickRandom::next() {
    return splitmix(m_state);
}

std::uint64_t TickRandom::uniform(std::uint64_t n) {
    // Rejection of the incomplete last block of size n: exactly uniform, no modulo bias.
    const std::uint64_t limit = UINT64_MAX - (UINT64_MAX % n + 1) % n;
    std::uint64_t x = next();
    while (x > limit)
        x = next();
    return x % n + 1;
}

} // namespace chance
