#include "tests/sheets/FuzzEntries.h"

#include "platform/Error.h"
#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/CsvReader.h"
#include "platform/sheets/OdsReader.h"
#include "platform/sheets/XlsReader.h"
#include "platform/sheets/XlsxReader.h"
#include "platform/sheets/ZipArchive.h"

#include <cstdio>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <mutex>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace sheets::fuzz {

namespace {

std::string tempPath(const char* suffix) {
    return "/tmp/tombolika-fuzz-" + std::to_string(getpid()) + suffix;
}

void drain(WorkbookReader& reader) {
    const CellFormatter formatter(QLocale::c());
    std::vector<Cell> cells;
    std::string text;
    while (reader.nextRow(cells))
        for (const Cell& cell : cells)
            formatter.append(text, cell), text.clear();
}

template <typename Read> void guarded(Read read) {
    try {
        read();
    } catch (const platform::Error&) {
    }
}

void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
        const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE);
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(zip);
}

} // namespace

void readXlsx(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view separator = "\n--8<--\n";
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (pieces.size() < 2) {
        const std::size_t at = input.find(separator, start);
        if (at == std::string_view::npos) break;
        pieces.emplace_back(input.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.emplace_back(input.substr(start));
    std::vector<std::pair<std::string, std::string>> parts = {
        {"[Content_Types].xml", "<Types/>"},
        {"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                            "</workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"/xl/worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", pieces[0]}};
    if (pieces.size() > 1) parts.emplace_back("xl/sharedStrings.xml", pieces[1]);
    if (pieces.size() > 2) parts.emplace_back("xl/styles.xml", pieces[2]);
    const std::string path = tempPath(".xlsx");
    writeZip(path, parts);
    guarded([&] {
        XlsxReader reader(std::make_unique<ZipArchive>(path), path, "xl/workbook.xml");
        drain(reader);
    });
    std::remove(path.c_str());
}

void readOds(const std::uint8_t* data, std::size_t size) {
    const std::string path = tempPath(".ods");
    writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                    {"content.xml", std::string(reinterpret_cast<const char*>(data), size)}});
    guarded([&] {
        OdsReader reader(std::make_unique<ZipArchive>(path), path);
        drain(reader);
    });
    std::remove(path.c_str());
}

void readXls(const std::uint8_t* data, std::size_t size) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    const std::string path = tempPath(".xls");
    GsfOutput* file = gsf_output_stdio_new(path.c_str(), nullptr);
    if (!file) return;
    GsfOutfile* ole = gsf_outfile_msole_new(file);
    GsfOutput* stream = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(stream, size, data);
    gsf_output_close(stream);
    g_object_unref(stream);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(file);
    guarded([&] {
        XlsReader reader(path);
        drain(reader);
    });
    std::remove(path.c_str());
}

void readCsv(const std::uint8_t* data, std::size_t size) {
    const std::string path = tempPath(".csv");
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    guarded([&] {
        CsvReader reader(path);
        drain(reader);
    });
    std::remove(path.c_str());
}

} // namespace sheets::fuzz
