#pragma once

// Helpers that write small workbooks at test time (the hostile ones would be too big, or too odd, to commit).
#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/WorkbookReader.h"

#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace sheets::test {

inline std::string fixture(const std::string& name) {
    return std::string(TOMBOLIKA_TEST_DATA) + "/sheets/" + name;
}

// Writes a zip with the given parts; compressed with deflate unless store.
inline void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts,
                     bool store = false) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
        const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE);
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 1);
    }
    zip_close(zip);
}

// An xlsx around the given worksheet XML (the children of <worksheet>), with optional shared strings.
inline std::string writeXlsx(const QTemporaryDir& dir, const std::string& sheetBody,
                             const std::string& sharedStrings = {}, bool store = false) {
    const std::string path = dir.filePath("book.xlsx").toStdString();
    std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml", R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                            R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                            R"(<sheets><sheet name="Peserta" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
         R"(</Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" + sheetBody +
             "</worksheet>"}};
    if (!sharedStrings.empty()) parts.emplace_back("xl/sharedStrings.xml", sharedStrings);
    writeZip(path, parts, store);
    return path;
}

// An ods around the given content of <table:table>.
inline std::string writeOds(const QTemporaryDir& dir, const std::string& tableBody) {
    const std::string path = dir.filePath("book.ods").toStdString();
    writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                    {"content.xml",
                     R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                     R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                     R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body>)"
                     R"(<office:spreadsheet><table:table table:name="A">)" +
                         tableBody + "</table:table></office:spreadsheet></office:body></office:document-content>"}});
    return path;
}

inline std::string writeFile(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

using Rows = std::vector<std::vector<std::string>>;

// Every row as the operator sees it (C locale), trailing empty cells dropped; a formula without a stored result as
// "=?".
inline Rows readAll(WorkbookReader& reader) {
    const CellFormatter formatter(QLocale::c());
    Rows rows;
    std::vector<Cell> cells;
    while (reader.nextRow(cells)) {
        auto& row = rows.emplace_back();
        for (const Cell& cell : cells) {
            formatter.append(row.emplace_back(), cell);
            if (cell.kind == Cell::Kind::Uncalculated) row.back() = "=?";
        }
        while (!row.empty() && row.back().empty())
            row.pop_back();
    }
    return rows;
}

inline Rows readAll(const std::string& path) {
    return readAll(*WorkbookReader::open(path));
}

} // namespace sheets::test
