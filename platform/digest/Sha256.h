#pragma once

#include <QCryptographicHash>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace digest {

// SHA-256 over bytes given in any number of pieces. On a processor with the SHA extensions (x86-64 since 2016-2019)
// the blocks are compressed with those instructions, some ten times faster than Qt's hash, which every other
// processor uses: ten million participants are half a gigabyte to hash when the list is sealed and checked.
class Sha256 {
public:
    Sha256();
    void addData(std::string_view bytes);
    // The digest in lower-case hex; the hash takes no more bytes after it.
    std::string hexResult();

    // The digest of `bytes` in lower-case hex.
    static std::string hexOf(std::string_view bytes);
    // Whether this processor hashes with its SHA instructions.
    static bool accelerated();

private:
    void compress(const unsigned char* blocks, std::size_t count);

    std::array<std::uint32_t, 8> m_state;
    std::array<unsigned char, 64> m_pending{}; // bytes of an unfinished block
    std::size_t m_pendingSize = 0;
    std::uint64_t m_length = 0; // bytes taken so far
    std::optional<QCryptographicHash> m_portable;
};

} // namespace digest
