#include "platform/digest/Sha256.h"

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define DIGEST_SHA_EXTENSIONS 1
#endif

namespace digest {

namespace {

constexpr std::array<std::uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

#ifdef DIGEST_SHA_EXTENSIONS

alignas(16) constexpr std::uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool processorHasShaExtensions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    const bool sha = b & (1u << 29);
    return ssse3 && sse41 && sha;
}

// The SHA-256 compression of `count` 64-byte blocks with the SHA instructions. The state is kept as the
// instructions want it, ABEF and CDGH; each group of four rounds takes four words of the message schedule, the
// first sixteen from the block, each later one from the four groups before it.
__attribute__((target("sha,sse4.1,ssse3"))) void
compressWithShaExtensions(std::uint32_t* state, const unsigned char* data, std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; count > 0; --count, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        __m128i words[4];
        for (int group = 0; group < 16; ++group) {
            __m128i current;
            if (group < 4) {
                current =
                    _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)), byteSwap);
            } else {
                // W[t..t+3] from W[t-16..t-13] (words[group % 4]), W[t-12..], W[t-8..] and W[t-4..t-1].
                const __m128i& minus16 = words[group % 4];
                const __m128i& minus12 = words[(group + 1) % 4];
                const __m128i& minus8 = words[(group + 2) % 4];
                const __m128i& minus4 = words[(group + 3) % 4];
                __m128i partial = _mm_sha256msg1_epu32(minus16, minus12);
                partial = _mm_add_epi32(partial, _mm_alignr_epi8(minus4, minus8, 4));
                current = _mm_sha256msg2_epu32(partial, minus4);
            }
            words[group % 4] = current;
            __m128i message =
                _mm_add_epi32(current, _mm_load_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * group])));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), hgfe);
}

#else

bool processorHasShaExtensions() {
    return false;
}

#endif

} // namespace

bool Sha256::accelerated() {
    static const bool has = processorHasShaExtensions();
    return has;
}

Sha256::Sha256() : m_state(kInitialState) {
    if (!accelerated()) m_portable.emplace(QCryptographicHash::Sha256);
}

void Sha256::compress([[maybe_unused]] const unsigned char* blocks, [[maybe_unused]] std::size_t count) {
#ifdef DIGEST_SHA_EXTENSIONS
    compressWithShaExtensions(m_state.data(), blocks, count);
#endif
}

void Sha256::addData(std::string_view bytes) {
    if (m_portable) {
        m_portable->addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        return;
    }
    m_length += bytes.size();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    if (m_pendingSize > 0) {
        const std::size_t taken = std::min(size, m_pending.size() - m_pendingSize);
        std::memcpy(m_pending.data() + m_pendingSize, in, taken);
        m_pendingSize += taken;
        in += taken;
        size -= taken;
        if (m_pendingSize < m_pending.size()) return;
        compress(m_pending.data(), 1);
        m_pendingSize = 0;
    }
    if (size >= 64) {
        compress(in, size / 64);
        in += size / 64 * 64;
        size %= 64;
    }
    if (size > 0) std::memcpy(m_pending.data(), in, size);
    m_pendingSize = size;
}

std::string Sha256::hexResult() {
    if (m_portable) return m_portable->result().toHex().toStdString();
    // The padding: 0x80, zeros up to 56 bytes into a block, then the length in bits, big-endian.
    const std::uint64_t bits = m_length * 8;
    unsigned char tail[128] = {0x80};
    const std::size_t zeros = (m_pendingSize < 56 ? 56 : 120) - m_pendingSize;
    for (int i = 0; i < 8; ++i)
        tail[zeros + static_cast<std::size_t>(i)] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    const std::size_t length = m_length;
    addData(std::string_view(reinterpret_cast<const char*>(tail), zeros + 8));
    m_length = length;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint32_t word : m_state)
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += digits[(word >> shift) & 0xf];
    return hex;
}

std::string Sha256::hexOf(std::string_view bytes) {
    Sha256 hash;
    hash.addData(bytes);
    return hash.hexResult();
}

} // namespace digest
