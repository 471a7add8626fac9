// CSV as spreadsheet programs write it: separators, byte-order mark, Windows-1252, line ends, quotes.
#include "platform/sheets/CsvReader.h"
#include "platform/Error.h"
#include "tests/sheets/TestFiles.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using sheets::test::Rows;

struct CsvCase {
    const char* name;
    std::string bytes;
    Rows rows;
};
// Shown by CTest in the test's name, instead of the case's bytes.
void PrintTo(const CsvCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvVariants : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvVariants, ReadsTheCellsAsTyped) {
    QTemporaryDir dir;
    const std::string path = sheets::test::writeFile(dir, "list.csv", GetParam().bytes);
    EXPECT_EQ(sheets::test::readAll(path), GetParam().rows);
}

const Rows kList = {{"ID", "nama", "hp"}, {"1", "Ani", "0812"}};

INSTANTIATE_TEST_SUITE_P(
    Files, CsvVariants,
    ::testing::Values(
        CsvCase{"Comma", "ID,nama,hp\n1,Ani,0812\n", kList}, CsvCase{"Semicolon", "ID;nama;hp\n1;Ani;0812\n", kList},
        CsvCase{"Tab", "ID\tnama\thp\n1\tAni\t0812\n", kList}, CsvCase{"CrLf", "ID,nama,hp\r\n1,Ani,0812\r\n", kList},
        CsvCase{"NoFinalLineEnd", "ID,nama,hp\r\n1,Ani,0812", kList},
        CsvCase{"Utf8Bom", "\xEF\xBB\xBFID;nama;hp\n1;Ani;0812\n", kList},
        CsvCase{"SemicolonWithCommasInData",
                "ID;nama;hp\n1;Ani, S.Pd;0812\n",
                {{"ID", "nama", "hp"}, {"1", "Ani, S.Pd", "0812"}}},
        CsvCase{"Utf8Names",
                "ID,nama\n1,Đặng Thị Ánh\n2,李小龍\n",
                {{"ID", "nama"}, {"1", "Đặng Thị Ánh"}, {"2", "李小龍"}}},
        CsvCase{"Windows1252",
                "ID;nama\r\n1;Jos\xE9 M\xFCller \x80 \x93x\x94\r\n",
                {{"ID", "nama"}, {"1", "José Müller € “x”"}}},
        CsvCase{"QuotedLineBreaksAndQuotes",
                "ID,nama,catatan\r\n1,\"Ani, S.\",\"baris satu\r\nbaris \"\"dua\"\"\"\r\n",
                {{"ID", "nama", "catatan"}, {"1", "Ani, S.", "baris satu\nbaris \"dua\""}}},
        CsvCase{"LeadingZerosAndSpacesKept", "ID,hp\n007, 0812 \n", {{"ID", "hp"}, {"007", " 0812 "}}},
        CsvCase{"BlankLineIsAnEmptyRow",
                "ID,nama\r\n1,Ani\r\n\r\n3,Citra\r\n",
                {{"ID", "nama"}, {"1", "Ani"}, {}, {"3", "Citra"}}},
        CsvCase{
            "EmptyFieldsAndShortRows", "ID,nama,hp\n1,,0812\n2\n", {{"ID", "nama", "hp"}, {"1", "", "0812"}, {"2"}}},
        CsvCase{"TrailingBlankLinesEndTheSheet", "ID\n1\n\n\n", {{"ID"}, {"1"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvReader, NumbersAndDatesStayText) {
    QTemporaryDir dir;
    auto reader = sheets::WorkbookReader::open(sheets::test::writeFile(dir, "a.csv", "1.5,2024-01-15,TRUE\n"));
    std::vector<sheets::Cell> cells;
    ASSERT_TRUE(reader->nextRow(cells));
    ASSERT_EQ(cells.size(), 3u);
    for (const auto& cell : cells)
        EXPECT_EQ(cell.kind, sheets::Cell::Kind::Text);
}

// Where the quote that never closes starts, whichever way the lines end and however many lines the quoted fields
// before it span.
TEST(CsvReader, NamesTheLineOfAQuoteNeverClosed) {
    const std::pair<std::string, int> cases[] = {
        {"ID,nama\n1,\"Ani", 2},
        {"ID,nama\r\n1,Ani\r\n2,\"Budi\r\n3,Citra\r\n", 3},
        {"ID,nama\r1,\"a\rb\"\r2,\"Budi\r3,Citra\r", 4},
        {"ID,nama\n1,\"baris\nkedua\",\"x\n\n\n", 3},
        {"\"ID", 1},
    };
    for (const auto& [bytes, line] : cases) {
        QTemporaryDir dir;
        const std::string path = sheets::test::writeFile(dir, "a.csv", bytes);
        try {
            sheets::test::readAll(path);
            ADD_FAILURE() << bytes;
        } catch (const platform::Error& e) {
            EXPECT_NE(std::string(e.what()).find("line " + std::to_string(line) + ": a quoted field is not closed"),
                      std::string::npos)
                << e.what();
        }
    }
    // A closed quote at the very end is fine.
    QTemporaryDir dir;
    EXPECT_EQ(sheets::test::readAll(sheets::test::writeFile(dir, "a.csv", "ID\n\"a\"")), (Rows{{"ID"}, {"a"}}));
}

TEST(CsvReader, AnEmptyFileIsRefusedByName) {
    QTemporaryDir dir;
    const std::string path = sheets::test::writeFile(dir, "kosong.csv", "");
    try {
        sheets::WorkbookReader::open(path);
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("empty"), std::string::npos);
    }
}

} // namespace
