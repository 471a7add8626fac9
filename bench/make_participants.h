#pragma once

#include <cstdint>
#include <string>

namespace bench {

// Writes a db_sms.mdb with n participants of realistic shape: IDs 1..n, draw numbers like "A1234567",
// Indonesian-style names of 8 to 20 characters, phone numbers "0812xxxxxxxx". The same seed gives the same file.
void makeParticipants(const std::string& path, std::int64_t n, std::uint64_t seed = 1);

// A database of n participants kept between runs in $TOMBOLIKA_BENCH_DATA, by default /tmp/tombolika-bench (made on
// first use: ten million rows take a while, and some 630 MB).
std::string cachedParticipants(std::int64_t n);

} // namespace bench
