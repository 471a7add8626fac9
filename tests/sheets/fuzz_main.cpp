// One libFuzzer target per reader; FUZZ_ENTRY names the entry in FuzzEntries.h.
#include "tests/sheets/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sheets::fuzz::FUZZ_ENTRY(data, size);
    return 0;
}
