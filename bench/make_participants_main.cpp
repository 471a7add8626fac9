// make_participants <db_sms.mdb> <count> [seed]: a participants database of any size for benchmarks and trials.
#include "bench/make_participants.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <db_sms.mdb> <count> [seed]\n", argv[0]);
        return 2;
    }
    try {
        const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
        bench::makeParticipants(argv[1], std::atoll(argv[2]), seed);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
