// Files made to exhaust memory or time end in a message that names the limit, not in a crash or a stall. They are
// generated here rather than committed: most are large.
#include "platform/Error.h"
#include "platform/sheets/Limits.h"
#include "platform/sheets/WorkbookReader.h"
#include "tests/sheets/TestFiles.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ostream>

namespace {

namespace limits = sheets::limits;
using ::testing::HasSubstr;

// Reads the whole workbook; returns the error message, or "" when it read cleanly.
std::string readError(const std::string& path) {
    try {
        auto reader = sheets::WorkbookReader::open(path);
        std::vector<sheets::Cell> cells;
        while (reader->nextRow(cells)) {
        }
        return {};
    } catch (const platform::Error& e) {
        return e.what();
    }
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

const std::string kMaxColumns = std::to_string(limits::kMaxColumns);
const std::string kMaxRows = std::to_string(limits::kMaxRows);
const std::string kMaxChars = std::to_string(limits::kMaxCellChars);

struct HostileCase {
    const char* name;
    std::function<std::string(const QTemporaryDir&)> write;
    std::string message; // part of the expected message; empty when the file must read cleanly
};
// Shown by CTest in the test's name, instead of the case's bytes.
void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFile, IsRefusedWithTheLimitNamed) {
    QTemporaryDir dir;
    const std::string path = GetParam().write(dir);
    const std::string error = readError(path);
    if (GetParam().message.empty()) {
        EXPECT_EQ(error, "");
    } else {
        EXPECT_THAT(error, HasSubstr(GetParam().message));
        EXPECT_THAT(error, HasSubstr(path));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileFile,
    ::testing::Values(
        HostileCase{"XlsxZipBomb",
                    [](const QTemporaryDir& d) {
                        // 300 MB of spaces inside the sheet compress about a thousand times.
                        return sheets::test::writeXlsx(d,
                                                       "<sheetData>" + std::string(300u << 20, ' ') + "</sheetData>");
                    },
                    "times its compressed size"},
        HostileCase{"XlsxColumnPastTheLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(
                            d, R"(<sheetData><row r="1"><c r="XFE1"><v>1</v></c></row></sheetData>)");
                    },
                    "more than " + kMaxColumns + " columns"},
        HostileCase{"XlsxDimensionOfAMillionColumnsIsNoMoreThanAHint",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(
                            d,
                            R"(<dimension ref="A1:BDWGN1"/><sheetData><row r="1"><c><v>1</v></c></row></sheetData>)");
                    },
                    ""},
        HostileCase{"XlsxBillionthRow",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(
                            d, R"(<sheetData><row r="1000000000"><c r="A1000000000"><v>1</v></c></row></sheetData>)");
                    },
                    "more than " + kMaxRows + " rows"},
        HostileCase{"XlsxLastAllowedRowAndColumn",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(
                            d, R"(<sheetData><row r="1048576"><c r="XFD1048576"><v>1</v></c></row></sheetData>)");
                    },
                    ""},
        HostileCase{"XlsxCellOf100MB",
                    [](const QTemporaryDir& d) {
                        // Stored: deflated, the zip-bomb check would stop it first.
                        return sheets::test::writeXlsx(d,
                                                       R"(<sheetData><row r="1"><c t="inlineStr"><is><t>)" +
                                                           std::string(100u << 20, 'a') +
                                                           "</t></is></c></row></sheetData>",
                                                       {}, true);
                    },
                    "more than " + kMaxChars + " characters"},
        HostileCase{"XlsxCellAtTheLimitInMultibyteCharacters",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(d, R"(<sheetData><row r="1"><c t="inlineStr"><is><t>)" +
                                                              repeat("李", limits::kMaxCellChars) +
                                                              "</t></is></c></row></sheetData>");
                    },
                    ""},
        HostileCase{"XlsxCellOneCharacterPastTheLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(d, R"(<sheetData><row r="1"><c t="inlineStr"><is><t>)" +
                                                              std::string(limits::kMaxCellChars + 1, 'a') +
                                                              "</t></is></c></row></sheetData>");
                    },
                    "more than " + kMaxChars + " characters"},
        HostileCase{"XlsxEndlessSharedStringTable",
                    [](const QTemporaryDir& d) {
                        // Stored, not deflated, so that the count limit rather than the zip-bomb check stops it.
                        return sheets::test::writeXlsx(
                            d, "<sheetData/>",
                            "<sst>" + repeat("<si><t/></si>", limits::kMaxSharedStrings + 1) + "</sst>", true);
                    },
                    "more than " + std::to_string(limits::kMaxSharedStrings) + " strings"},
        HostileCase{"XlsxRowRepeatingALongSharedString",
                    [](const QTemporaryDir& d) {
                        // 16,384 cells of one 32,767-character string would be 512 MB of row.
                        std::string row = "<row r=\"1\">";
                        for (int c = 0; c < limits::kMaxColumns; ++c)
                            row += R"(<c t="s"><v>0</v></c>)";
                        return sheets::test::writeXlsx(d, "<sheetData>" + row + "</row></sheetData>",
                                                       "<sst><si><t>" + std::string(limits::kMaxCellChars, 'x') +
                                                           "</t></si></sst>");
                    },
                    "MB of text"},
        HostileCase{"XlsxEntityExpansion",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeXlsx(
                            d, R"(<sheetData><row r="1"><c><v>&lol;</v></c></row></sheetData>)");
                    },
                    "unknown entity"},
        HostileCase{"OdsDocumentType",
                    [](const QTemporaryDir& d) {
                        const std::string path = d.filePath("bomb.ods").toStdString();
                        sheets::test::writeZip(
                            path,
                            {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                             {"content.xml", R"(<!DOCTYPE a [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>)"
                                             R"(<a>&b;</a>)"}});
                        return path;
                    },
                    "declares a document type"},
        HostileCase{"OdsRepeatedCellPastTheLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeOds(
                            d, R"(<table:table-row><table:table-cell table:number-columns-repeated="1000000" )"
                               R"(office:value-type="float" office:value="1"/></table:table-row>)");
                    },
                    "more than " + kMaxColumns + " columns"},
        HostileCase{"OdsRepeatedRowPastTheLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeOds(
                            d, R"(<table:table-row table:number-rows-repeated="1000000000"><table:table-cell )"
                               R"(office:value-type="float" office:value="1"/></table:table-row>)");
                    },
                    "more than " + kMaxRows + " rows"},
        HostileCase{"OdsTrailingBillionEmptyRowsAndCells",
                    [](const QTemporaryDir& d) {
                        // What spreadsheets write for a formatted sheet: read at once, not row by row.
                        return sheets::test::writeOds(
                            d, R"(<table:table-row><table:table-cell office:value-type="float" office:value="1"/>)"
                               R"(<table:table-cell table:number-columns-repeated="1000000000"/></table:table-row>)"
                               R"(<table:table-row table:number-rows-repeated="1000000000"><table:table-cell )"
                               R"(table:number-columns-repeated="1000000000"/></table:table-row>)");
                    },
                    ""},
        HostileCase{"OdsEndlessPrefixBindings",
                    [](const QTemporaryDir& d) {
                        // Each element binds the table's prefix anew: every name would be looked up through all.
                        return sheets::test::writeOds(d, repeat(R"(<a xmlns:table="urn:example:a">)", 200000) +
                                                             repeat("</a>", 200000));
                    },
                    "binds more than 1000 namespace prefixes"},
        HostileCase{"OdsSpacesPastTheLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeOds(
                            d, R"(<table:table-row><table:table-cell><text:p><text:s text:c="2000000000"/></text:p>)"
                               R"(</table:table-cell></table:table-row>)");
                    },
                    "more than " + kMaxChars + " characters"},
        HostileCase{
            "CsvWithoutLineEnds",
            [](const QTemporaryDir& d) { return sheets::test::writeFile(d, "a.csv", std::string(50u << 20, 'a')); },
            "more than " + kMaxChars + " characters"},
        HostileCase{"CsvWithoutLineEndsButCommas",
                    [](const QTemporaryDir& d) { return sheets::test::writeFile(d, "a.csv", repeat("a,", 10u << 20)); },
                    "more than " + kMaxColumns + " columns"},
        HostileCase{"CsvUnclosedQuote",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeFile(d, "a.csv", "ID,nama\n1,\"" + std::string(50u << 20, 'a'));
                    },
                    "more than " + kMaxChars + " characters"},
        HostileCase{"CsvOfTenMillionParticipantsUnderAHeading",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeFile(d, "a.csv", "ID\n" + repeat("1\n", 10000000));
                    },
                    ""},
        HostileCase{"CsvPastTheRowLimit",
                    [](const QTemporaryDir& d) {
                        return sheets::test::writeFile(d, "a.csv", repeat("1\n", limits::kMaxCsvRows + 1));
                    },
                    "more than " + std::to_string(limits::kMaxCsvRows) + " rows"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
