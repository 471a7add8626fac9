// The shared-string table of an xlsx is read beside the sheet: whatever order the sheet uses the strings in, each cell
// gets its own, and damage anywhere in the table refuses the file even where the sheet never reaches it.
#include "platform/Error.h"
#include "platform/sheets/WorkbookReader.h"
#include "tests/sheets/TestFiles.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using sheets::test::readAll;
using sheets::test::Rows;
using ::testing::HasSubstr;

// A table of the given <si> contents.
std::string table(const std::vector<std::string>& items) {
    std::string xml = "<sst>";
    for (const auto& item : items)
        xml += "<si>" + item + "</si>";
    return xml + "</sst>";
}

// A sheet whose row r holds, in column A, shared string indices[r - 1].
std::string sheetUsing(const std::vector<std::int64_t>& indices) {
    std::string xml = "<sheetData>";
    for (std::size_t r = 0; r < indices.size(); ++r)
        xml += "<row r=\"" + std::to_string(r + 1) + "\"><c r=\"A" + std::to_string(r + 1) + "\" t=\"s\"><v>" +
               std::to_string(indices[r]) + "</v></c></row>";
    return xml + "</sheetData>";
}

std::string readError(const std::string& path) {
    try {
        readAll(path);
        return {};
    } catch (const platform::Error& e) {
        return e.what();
    }
}

struct OrderCase {
    const char* name;
    std::function<std::int64_t(std::int64_t row, std::int64_t count)> index; // of the string row 0.. uses
};
void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

class SharedStringOrder : public ::testing::TestWithParam<OrderCase> {};

// 3,000 strings of about a kilobyte: the table's text spans several of the blocks it is kept in, so some strings lie
// across two.
TEST_P(SharedStringOrder, EveryCellGetsItsOwnString) {
    constexpr std::int64_t kCount = 3000;
    const auto text = [](std::int64_t i) {
        return "String " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(990 + i % 17), 'a' + i % 26);
    };
    std::vector<std::string> items;
    for (std::int64_t i = 0; i < kCount; ++i)
        items.push_back("<t>" + text(i) + "</t>");
    std::vector<std::int64_t> indices;
    Rows expected;
    for (std::int64_t r = 0; r < kCount; ++r) {
        indices.push_back(GetParam().index(r, kCount));
        expected.push_back({text(indices.back())});
    }
    QTemporaryDir dir;
    EXPECT_EQ(readAll(sheets::test::writeXlsx(dir, sheetUsing(indices), table(items))), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, SharedStringOrder,
    ::testing::Values(OrderCase{"AsFirstUsed", [](std::int64_t r, std::int64_t) { return r; }},
                      OrderCase{"LastStringFirst", [](std::int64_t r, std::int64_t n) { return n - 1 - r; }},
                      OrderCase{"EachTwice", [](std::int64_t r, std::int64_t) { return r / 2; }},
                      OrderCase{"Scattered", [](std::int64_t r, std::int64_t n) { return r * 1009 % n; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedStrings, TextIsWhatTheSpreadsheetShows) {
    const std::string longText = std::string(20000, 'z') + "\xc3\xa9";
    QTemporaryDir dir;
    const std::string path = sheets::test::writeXlsx(
        dir, sheetUsing({0, 1, 2, 3, 4, 5, 6}),
        table({"<r><t>Budi </t></r><r><rPr><b/></rPr><t>Santoso</t></r>",                    // rich text runs joined
               "<t>\xe6\x9d\xb1\xe4\xba\xac</t><rPh sb=\"0\" eb=\"2\"><t>TOUKYOU</t></rPh>", // no phonetic guide
               "<t>A_x000D_B _x005F_x0041_</t>", "<t/>", R"(<t xml:space="preserve"> &amp;&lt;Co&gt; </t>)",
               "<t>" + longText + "</t>", "<t>after the long one</t>"}));
    EXPECT_EQ(readAll(path), (Rows{{"Budi Santoso"},
                                   {"\xe6\x9d\xb1\xe4\xba\xac"},
                                   {"A\rB _x0041_"},
                                   {},
                                   {" &<Co> "},
                                   {longText},
                                   {"after the long one"}}));
}

struct RefusalCase {
    const char* name;
    std::string sheet;
    std::string sharedStrings; // none when empty
    const char* message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

// A table long enough that the sheet is done long before the table's end.
std::string longTableEndingIn(const std::string& last) {
    std::vector<std::string> items(200000, "<t>x</t>");
    items.push_back(last);
    return table(items);
}

class SharedStringRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SharedStringRefusal, NamesTheFileAndTheReason) {
    QTemporaryDir dir;
    const std::string path = sheets::test::writeXlsx(dir, GetParam().sheet, GetParam().sharedStrings);
    const std::string error = readError(path);
    EXPECT_THAT(error, HasSubstr(path));
    EXPECT_THAT(error, HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, SharedStringRefusal,
    ::testing::Values(
        RefusalCase{"IndexPastTheTable", sheetUsing({0, 5}), table({"<t>a</t>", "<t>b</t>"}),
                    "a cell refers to shared string 5, which does not exist"},
        RefusalCase{"NoTable", sheetUsing({0}), "", "a cell refers to shared string 0, which does not exist"},
        RefusalCase{"NotAnIndex", R"(<sheetData><row r="1"><c t="s"><v>x</v></c></row></sheetData>)",
                    table({"<t>a</t>"}), "a cell refers to shared string -1, which does not exist"},
        // The sheet uses only the first string; the damage is past it.
        RefusalCase{"TableDamagedPastTheStringsUsed", sheetUsing({0}), longTableEndingIn("<t>&bogus;</t>"),
                    "unknown entity &bogus;"},
        RefusalCase{"TableEndsTooSoon", sheetUsing({0}), longTableEndingIn("<t>x</t>").substr(0, 1000000),
                    "sharedStrings.xml is damaged"},
        // Both parts damaged: the table's damage is the reason, however soon the sheet's is met.
        RefusalCase{"TableAndSheetDamaged", R"(<sheetData><row r="1"><c r="XFE1"><v>1</v></c></row></sheetData>)",
                    longTableEndingIn("<t>&bogus;</t>"), "unknown entity &bogus;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedStrings, ReaderDroppedMidwayStopsReadingTheTable) {
    // The reader goes after its first row while the table is still being read: nothing waits for ever, nothing is
    // left running.
    QTemporaryDir dir;
    std::vector<std::string> items(500000, "<t>participant</t>");
    const std::string path = sheets::test::writeXlsx(dir, sheetUsing({0, 1, 2}), table(items));
    for (int i = 0; i < 3; ++i) {
        auto reader = sheets::WorkbookReader::open(path);
        std::vector<sheets::Cell> cells;
        ASSERT_TRUE(reader->nextRow(cells));
        EXPECT_EQ(cells.at(0).text, "participant");
    }
}

} // namespace
