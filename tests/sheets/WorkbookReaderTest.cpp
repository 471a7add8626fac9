// Workbooks written by other programs (tests/data/sheets/README.md says which), read through WorkbookReader.
#include "platform/sheets/WorkbookReader.h"
#include "platform/Error.h"
#include "tests/sheets/TestFiles.h"

#include <QDate>
#include <filesystem>
#include <gmock/gmock.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>

namespace {

using sheets::Cell;
using sheets::WorkbookReader;
using sheets::test::fixture;
using sheets::test::readAll;
using sheets::test::Rows;
using ::testing::HasSubstr;

std::string shortDate(int y, int m, int d) {
    return QLocale::c().toString(QDate(y, m, d), QLocale::ShortFormat).toStdString();
}

// participants.* hold the same list, written by openpyxl (inline strings, absolute part paths) and converted by
// LibreOffice to xlsx (shared strings), ods and xls.
class Participants : public ::testing::TestWithParam<const char*> {};

TEST_P(Participants, ReadsEveryRowAsTheSpreadsheetShowsIt) {
    const Rows expected = {
        {"ID", "no_undian", "nama", "hp"},
        {"1", "007", "Budi  Santoso", "081234567890"},
        {"2", "7", "Siti Nurhaliza", "81234567890"},
        {"3", "0042", "Đặng Thị Ánh", "+62 812-3456-7890"},
        {"4", "A-17", "李小龍", "6281234567890"},
        {"5", "1.5", "Ñoño Müller & <Co>", "True"},
        {"6", shortDate(2024, 1, 15), "Tanggal", "False"},
        {"7", shortDate(2024, 1, 15) + " " + QLocale::c().toString(QTime(10, 30), QLocale::ShortFormat).toStdString(),
         "Tanggal jam"},
    };
    auto reader = WorkbookReader::open(fixture(GetParam()));
    EXPECT_EQ(readAll(*reader), expected);
    std::vector<Cell> cells;
    EXPECT_FALSE(reader->nextRow(cells)) << "reading on past the end";
}

TEST_P(Participants, KeepsTheKindOfEachValue) {
    auto reader = WorkbookReader::open(fixture(GetParam()));
    std::vector<std::vector<Cell>> rows;
    for (std::vector<Cell> cells; reader->nextRow(cells);)
        rows.push_back(cells);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[1][1].kind, Cell::Kind::Text);   // "007" typed as text keeps its zeros
    EXPECT_EQ(rows[2][1].kind, Cell::Kind::Number); // 7 typed as a number
    EXPECT_EQ(rows[2][3].number, 81234567890.0);
    EXPECT_EQ(rows[5][3].kind, Cell::Kind::Boolean);
    EXPECT_EQ(rows[6][1].kind, Cell::Kind::Date);
    EXPECT_EQ(rows[6][1].number, 45306.0);
    EXPECT_DOUBLE_EQ(rows[7][1].number, 45306.4375);
}

INSTANTIATE_TEST_SUITE_P(Formats, Participants,
                         ::testing::Values("participants.xlsx", "participants-shared.xlsx", "participants.ods",
                                           "participants.xls"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// formulas.* (LibreOffice) hold =ROW()-1, =TEXT(A2;"000"), =A2>1, =NA(), =DATE(2024;1;A2) and ="".
class FormulaResults : public ::testing::TestWithParam<const char*> {};

TEST_P(FormulaResults, ReadsTheStoredResultOfEveryType) {
    auto reader = WorkbookReader::open(fixture(GetParam()));
    std::vector<Cell> cells;
    ASSERT_TRUE(reader->nextRow(cells));
    for (int row = 2; row <= 4; ++row) {
        ASSERT_TRUE(reader->nextRow(cells)) << row;
        ASSERT_GE(cells.size(), 5u);
        EXPECT_EQ(cells[0].kind, Cell::Kind::Number);
        EXPECT_EQ(cells[0].number, row - 1);
        EXPECT_EQ(cells[2].kind, Cell::Kind::Boolean);
        EXPECT_EQ(cells[2].number, row > 2 ? 1 : 0);
        EXPECT_EQ(cells[3].kind, Cell::Kind::Error);
        EXPECT_EQ(cells[3].text, "#N/A");
        EXPECT_EQ(cells[4].kind, Cell::Kind::Date);
        EXPECT_EQ(cells[4].number, 45291 + row - 1);
        EXPECT_TRUE(cells.size() < 6 || cells[5].kind == Cell::Kind::Empty) << "=\"\" shows nothing";
        if (std::string(GetParam()) != "formulas.xls") {
            // LibreOffice stores no text result for TEXT() in xls (a number 0); the xls text path is covered by
            // XlsRecords below.
            EXPECT_EQ(cells[1].kind, Cell::Kind::Text);
            EXPECT_EQ(cells[1].text, "00" + std::to_string(row - 1));
        }
    }
    EXPECT_FALSE(reader->nextRow(cells));
}

INSTANTIATE_TEST_SUITE_P(Formats, FormulaResults, ::testing::Values("formulas.xlsx", "formulas.ods", "formulas.xls"),
                         [](const auto& info) { return std::string(info.param).substr(9); });

TEST(WorkbookReader, ReadsInlineStringsOfAConstantMemoryWriter) {
    // libxlsxwriter's constant-memory mode: inline strings, a styled date, a boolean.
    const Rows expected = {{"ID", "no_undian", "nama", "hp"},
                           {"1", "0001", "Rini  Wulandari\tx", "0812"},
                           {"2", shortDate(2024, 1, 15), "Yusuf <Ö>", "True"}};
    EXPECT_EQ(readAll(fixture("inline.xlsx")), expected);
}

TEST(WorkbookReader, GivesSkippedRowsAndCellsAsEmpty) {
    // gap.xlsx: row 3 has no ID, row 5 is not stored at all, row 6 has two cells.
    auto reader = WorkbookReader::open(fixture("gap.xlsx"));
    std::vector<Cell> cells;
    std::vector<std::size_t> sizes;
    std::vector<Cell::Kind> firstKinds;
    while (reader->nextRow(cells)) {
        sizes.push_back(cells.size());
        firstKinds.push_back(cells.empty() ? Cell::Kind::Empty : cells[0].kind);
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{4, 4, 4, 4, 0, 2}));
    EXPECT_EQ(firstKinds[2], Cell::Kind::Empty);
    EXPECT_EQ(firstKinds[5], Cell::Kind::Number);
}

TEST(WorkbookReader, EndsEachRowAtItsLastUsedCell) {
    std::vector<Cell> cells;
    auto fiveColumns = WorkbookReader::open(fixture("five-columns.xlsx"));
    ASSERT_TRUE(fiveColumns->nextRow(cells));
    EXPECT_EQ(cells.size(), 5u);
    // A cell stored without a value (G2) and columns the row skips do not count.
    QTemporaryDir dir;
    auto reader = WorkbookReader::open(sheets::test::writeXlsx(
        dir, R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row><row r="2"><c r="C2"><v>3</v></c><c r="G2"/></row>)"
             R"(</sheetData>)"));
    ASSERT_TRUE(reader->nextRow(cells));
    EXPECT_EQ(cells.size(), 1u);
    ASSERT_TRUE(reader->nextRow(cells));
    EXPECT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].kind, Cell::Kind::Empty);
}

TEST(WorkbookReader, RecognisesTheFormatByContentNotName) {
    QTemporaryDir dir;
    const std::string odsNamedXlsx = dir.filePath("list.xlsx").toStdString();
    const std::string xlsNamedCsv = dir.filePath("list.csv").toStdString();
    std::filesystem::copy_file(fixture("participants.ods"), odsNamedXlsx);
    std::filesystem::copy_file(fixture("participants.xls"), xlsNamedCsv);
    EXPECT_EQ(readAll(odsNamedXlsx), readAll(fixture("participants.xlsx")));
    EXPECT_EQ(readAll(xlsNamedCsv), readAll(fixture("participants.xlsx")));
}

struct RefusalCase {
    const char* name;
    const char* file;
    const char* reason;
};
// Shown by CTest in the test's name, instead of the case's bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, NamesTheFileAndTheReason) {
    const std::string path = fixture(GetParam().file);
    try {
        auto reader = WorkbookReader::open(path);
        std::vector<Cell> cells;
        while (reader->nextRow(cells)) {
        }
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_THAT(e.what(), HasSubstr(path));
        EXPECT_THAT(e.what(), HasSubstr(GetParam().reason));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Refusal,
                         ::testing::Values(RefusalCase{"Encrypted", "encrypted.xls", "password-protected"},
                                           RefusalCase{"Picture", "not-a-spreadsheet.xlsx", "not a spreadsheet"},
                                           RefusalCase{"TruncatedZip", "truncated.xlsx", "damaged or incomplete"},
                                           RefusalCase{"Missing", "no-such-file.xlsx", "No such file"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Files in the shapes real writers give them (make/make_writer_cases.py): each is read as a spreadsheet program
// shows it, or refused with words that say what it is and what to do. "=?" is a formula without a stored result.
struct WriterCase {
    const char* name;
    const char* file;
    Rows rows;           // what is read, when it is read
    const char* refusal; // part of the message, when it is refused
};
void PrintTo(const WriterCase& c, std::ostream* os) {
    *os << c.name;
}

class WriterCases : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterCases, ReadAsTheWriterMeantOrRefusedClearly) {
    const std::string path = fixture(GetParam().file);
    if (!GetParam().refusal) {
        EXPECT_EQ(readAll(path), GetParam().rows);
        return;
    }
    try {
        readAll(path);
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("Cannot read \"" + path + "\": "));
        EXPECT_THAT(e.what(), HasSubstr(GetParam().refusal));
    }
}

const std::vector<std::string> kHeading = {"ID", "no_undian", "nama", "hp"};

INSTANTIATE_TEST_SUITE_P(
    Files, WriterCases,
    ::testing::Values(
        WriterCase{
            "XlsxFormulaWithoutValue",
            "formula-without-result.xlsx",
            {kHeading, {"1", "U-1", "Ani", "08122"}, {"=?", "U-2", "Budi", "08123"}, {"3", "U-3", "Citra", "08124"}},
            nullptr},
        WriterCase{"XlsxFormulasWithEmptyValues",
                   "formulas-source.xlsx",
                   {{"ID", "kode", "lebih", "galat", "tanggal", "kosong"},
                    {"=?", "=?", "=?", "=?", "=?", "=?"},
                    {"=?", "=?", "=?", "=?", "=?", "=?"},
                    {"=?", "=?", "=?", "=?", "=?", "=?"}},
                   nullptr},
        WriterCase{"XlsFormulaOfAScriptLibrary",
                   "formula-without-result.xls",
                   {kHeading, {"1", "U-1", "Ani"}, {"=?", "U-2", "Budi"}},
                   nullptr},
        WriterCase{"InlineStringBesideAValue",
                   "inline-string-with-value.xlsx",
                   {kHeading, {"1.", "U-1", "Ani", "0812"}},
                   nullptr},
        WriterCase{"XlsxChartDialogAndMacroSheetsFirst",
                   "chart-sheet-first.xlsx",
                   {kHeading, {"1", "U-1", "Ani", "08122"}, {"2", "U-2", "Budi", "08123"}},
                   nullptr},
        WriterCase{
            "XlsChartAndDialogSheetsFirst", "chart-sheet-first.xls", {kHeading, {"1", "U-1", "Ani", "0811"}}, nullptr},
        WriterCase{"DimensionTooNarrow",
                   "dimension-too-narrow.xlsx",
                   {kHeading, {"1", "U-1", "Ani", "08122", "Kota"}},
                   nullptr},
        WriterCase{"DimensionTooWide",
                   "dimension-too-wide.xlsx",
                   {kHeading, {"1", "U-1", "Ani", "08122"}, {"2", "U-2", "Budi", "08123"}},
                   nullptr},
        WriterCase{"DimensionOfTheWholeGrid",
                   "dimension-whole-grid.xlsx",
                   {kHeading, {"1", "U-1", "Ani", "08122"}, {"2", "U-2", "Budi", "08123"}},
                   nullptr},
        WriterCase{"CsvQuoteNeverClosed", "unclosed-quote.csv", {}, "line 3: a quoted field is not closed"},
        WriterCase{"SheetPartOfNoBytes",
                   "empty-sheet-part.xlsx",
                   {},
                   "its part xl/worksheets/sheet1.xml is damaged (it holds no XML element"},
        WriterCase{"EmptySharedStringIndex", "empty-shared-string-index.xlsx", {kHeading, {"1", "", "Ani"}}, nullptr},
        WriterCase{"WorkbookStreamNamedInCapitals",
                   "stream-name-upper-case.xls",
                   {kHeading, {"1", "U-1", "Ani", "0811"}},
                   nullptr},
        WriterCase{
            "PartsFoundThroughRelationships", "relationships-elsewhere.xlsx", {kHeading, {"1", "U-1", "Ani"}}, nullptr},
        WriterCase{"Excel95",
                   "excel95.xls",
                   {kHeading, {"1", "007", "José Müller €", "0811"}, {"2", "U-02", "Siti “Nur”", "81234567890"}},
                   nullptr},
        WriterCase{
            "Excel95InItsCodePage", "excel95-cyrillic.xls", {kHeading, {"1", "A-1", "Иван Петров", "0811"}}, nullptr},
        WriterCase{"BinaryWorkbook",
                   "binary-workbook.xlsb",
                   {},
                   "it is an Excel binary workbook (.xlsb), which is not read; open it in a spreadsheet program, "
                   "save it as .xlsx"},
        WriterCase{"OdsWithPassword",
                   "password.ods",
                   {},
                   "it is a password-protected spreadsheet, which is not read; open it in a spreadsheet program, "
                   "save it without a password as .xlsx"},
        WriterCase{"XlsxWithPassword", "password.xlsx", {}, "it is a password-protected workbook, which is not read"},
        WriterCase{"Excel4",
                   "excel4.xls",
                   {},
                   "it is an Excel 2.x, 3.0 or 4.0 file, which is not read; open it in a spreadsheet program, save it "
                   "as .xlsx"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WorkbookReader, RefusesWhatIsNotAFileAtOnce) {
    // Opening a named pipe waits for a writer that never comes: it is refused from what it is, unopened.
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("peserta.xlsx").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path().toStdString(), std::string("/dev/zero")}) {
        try {
            WorkbookReader::open(path);
            ADD_FAILURE() << path;
        } catch (const platform::Error& e) {
            EXPECT_THAT(e.what(), HasSubstr("Cannot read \"" + path + "\": it is a "));
            EXPECT_THAT(e.what(), HasSubstr(", not a file"));
        }
    }
}

// BIFF8 records, for the xls paths no writer at hand produces: a text formula result (FORMULA then STRING), RK and
// MULRK numbers, a LABEL, an error and a DIMENSIONS record.
class BiffWriter {
public:
    void record(std::uint16_t type, const std::vector<std::uint8_t>& data) {
        put16(m_bytes, type);
        put16(m_bytes, static_cast<std::uint16_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    }
    static void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    static void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
        put16(out, static_cast<std::uint16_t>(v));
        put16(out, static_cast<std::uint16_t>(v >> 16));
    }
    static std::vector<std::uint8_t> cell(std::uint16_t row, std::uint16_t column) {
        std::vector<std::uint8_t> out;
        put16(out, row);
        put16(out, column);
        put16(out, 0); // XF
        return out;
    }
    std::vector<std::uint8_t> m_bytes;
};

std::string writeXls(const QTemporaryDir& dir, const std::vector<std::uint8_t>& stream) {
    gsf_init();
    const std::string path = dir.filePath("book.xls").toStdString();
    GsfOutput* file = gsf_output_stdio_new(path.c_str(), nullptr);
    GsfOutfile* ole = gsf_outfile_msole_new(file);
    GsfOutput* child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(child, stream.size(), stream.data());
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(file);
    return path;
}

TEST(XlsRecords, ReadsFormulaTextResultsAndCompactNumbers) {
    using W = BiffWriter;
    W sheet;
    sheet.record(0x0809, {0x00, 0x06, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    std::vector<std::uint8_t> dims;
    W::put32(dims, 0);
    W::put32(dims, 2);
    W::put16(dims, 0);
    W::put16(dims, 5);
    W::put16(dims, 0);
    sheet.record(0x0200, dims);
    auto formula = [](std::uint16_t row, std::uint16_t column, std::vector<std::uint8_t> value) {
        auto data = W::cell(row, column);
        data.insert(data.end(), value.begin(), value.end());
        data.insert(data.end(), {0, 0, 0, 0, 0, 0, 0, 0}); // flags, chn, empty expression
        return data;
    };
    sheet.record(0x0006, formula(0, 0, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF})); // text result follows
    sheet.record(0x04BC, {0, 0, 0, 0, 0, 0, 0, 0});                      // a shared formula may come between
    sheet.record(0x0207, {5, 0, 0, 'K', 'o', 'd', 'e', '1'});
    sheet.record(0x0006, formula(0, 1, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}));    // TRUE
    sheet.record(0x0006, formula(0, 2, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF})); // #DIV/0!
    auto label = W::cell(0, 3);
    label.insert(label.end(), {2, 0, 1, 0xD1, 0x00, 0x6F, 0x00}); // "Ño" as UTF-16
    sheet.record(0x0204, label);
    auto rk = W::cell(1, 0);
    W::put32(rk, (81234567u << 2) | 2); // an integer RK
    sheet.record(0x027E, rk);
    std::vector<std::uint8_t> mulrk;
    W::put16(mulrk, 1);
    W::put16(mulrk, 1);
    W::put16(mulrk, 0);
    W::put32(mulrk, (150u << 2) | 3); // 1.5 as an integer hundredths RK
    W::put16(mulrk, 0);
    W::put32(mulrk, 0x3FF00000); // 1.0 as a truncated double RK
    W::put16(mulrk, 2);
    sheet.record(0x00BD, mulrk);
    sheet.record(0x000A, {});

    W globals;
    globals.record(0x0809, {0x00, 0x06, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::size_t boundSheetSize = 4 + 4 + 2 + 2 + 1;
    const std::size_t sheetOffset = globals.m_bytes.size() + boundSheetSize + 4;
    std::vector<std::uint8_t> bound;
    W::put32(bound, static_cast<std::uint32_t>(sheetOffset));
    bound.insert(bound.end(), {0, 0, 1, 0, 'A'});
    globals.record(0x0085, bound);
    globals.record(0x000A, {});
    ASSERT_EQ(globals.m_bytes.size(), sheetOffset);
    globals.m_bytes.insert(globals.m_bytes.end(), sheet.m_bytes.begin(), sheet.m_bytes.end());

    QTemporaryDir dir;
    auto reader = WorkbookReader::open(writeXls(dir, globals.m_bytes));
    EXPECT_EQ(readAll(*reader), (Rows{{"Kode1", "True", "#DIV/0!", "Ño"}, {"81234567", "1.5", "1"}}));
}

} // namespace
