// Replays every file the fuzzers kept (tests/sheets/corpus/<target>/) through the same entry as the fuzz target, in
// the ordinary build: none may crash. Refusals (platform::Error) are caught inside the entries.
#include "tests/sheets/FuzzEntries.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <vector>

namespace {

using Entry = void (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    Entry entry;
};
// Shown by CTest in the test's name, instead of the case's bytes.
void PrintTo(const Target& c, std::ostream* os) {
    *os << c.name;
}

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryFileIsReadOrRefusedWithoutCrashing) {
    const std::filesystem::path folder =
        std::filesystem::path(TOMBOLIKA_TEST_DATA) / "../sheets/corpus" / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().string());
        GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++files;
    }
    EXPECT_GT(files, 0);
}

INSTANTIATE_TEST_SUITE_P(Readers, CorpusReplay,
                         ::testing::Values(Target{"fuzz_xlsx", &sheets::fuzz::readXlsx},
                                           Target{"fuzz_ods", &sheets::fuzz::readOds},
                                           Target{"fuzz_xls", &sheets::fuzz::readXls},
                                           Target{"fuzz_csv", &sheets::fuzz::readCsv}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
