// SHA-256 of the record's hashes: the program's own (the processor's SHA instructions where it has them) against Qt's
// QCryptographicHash over the same bytes, fed in the 256 KB pieces an upload's file is read in; both in bytes a second.
#include "platform/digest/Sha256.h"

#include <QCryptographicHash>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kPiece = 256 * 1024;
constexpr std::size_t kPieces = 64; // 16 MB a hash

std::string piece() {
    std::string bytes(kPiece, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

void Sha256Own(benchmark::State& state) {
    const std::string bytes = piece();
    for (auto _ : state) {
        digest::Sha256 hash;
        for (std::size_t i = 0; i < kPieces; ++i)
            hash.addData(bytes);
        benchmark::DoNotOptimize(hash.hexResult());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPiece * kPieces));
    state.SetLabel(digest::Sha256::accelerated() ? "SHA instructions" : "Qt's hash (no SHA instructions)");
}

void Sha256Qt(benchmark::State& state) {
    const std::string bytes = piece();
    for (auto _ : state) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (std::size_t i = 0; i < kPieces; ++i)
            hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        benchmark::DoNotOptimize(hash.result());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPiece * kPieces));
}

BENCHMARK(Sha256Own)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Sha256Qt)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
