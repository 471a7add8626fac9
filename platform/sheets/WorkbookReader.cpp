#include "platform/sheets/WorkbookReader.h"

#include "platform/sheets/CsvReader.h"
#include "platform/sheets/OdsReader.h"
#include "platform/sheets/ReadError.h"
#include "platform/sheets/XlsReader.h"
#include "platform/sheets/XlsxReader.h"
#include "platform/sheets/ZipArchive.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace sheets {

namespace {

// The first record of an Excel 2.x, 3.0 or 4.0 file (a bare BIFF2/3/4 stream, not in an OLE2 container): BOF
// 0x0009, 0x0209 or 0x0409, its length, then the version and the kind of sheet (worksheet, chart, macro sheet or
// Excel 4.0 workbook).
bool isOldExcel(const unsigned char* head, std::size_t got) {
    if (got < 8 || head[0] != 0x09 || (head[1] != 0x00 && head[1] != 0x02 && head[1] != 0x04)) return false;
    const int length = head[2] | (head[3] << 8);
    const int kind = head[6] | (head[7] << 8);
    return length >= 4 && length <= 16 && (kind == 0x10 || kind == 0x20 || kind == 0x40 || kind == 0x100);
}

} // namespace

void WorkbookReader::checkIsFile(const std::string& path) {
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    using std::filesystem::file_type;
    switch (type) {
    case file_type::directory:
        cannotRead(path, "it is a folder, not a file");
    case file_type::fifo:
        cannotRead(path, "it is a named pipe, not a file");
    case file_type::block:
    case file_type::character:
        cannotRead(path, "it is a device, not a file");
    case file_type::socket:
        cannotRead(path, "it is a socket, not a file");
    default: // a regular file, or nothing there (opening it says so)
        return;
    }
}

std::unique_ptr<WorkbookReader> WorkbookReader::open(const std::string& path) {
    checkIsFile(path);
    std::ifstream file(path, std::ios::binary);
    if (!file) cannotRead(path, std::strerror(errno));
    unsigned char head[8] = {};
    file.read(reinterpret_cast<char*>(head), sizeof head);
    const auto got = static_cast<std::size_t>(file.gcount());
    if (file.bad()) cannotRead(path, std::strerror(errno));
    file.close();
    if (got == 0) cannotRead(path, "the file is empty");

    static constexpr unsigned char kOle2[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && std::memcmp(head, kOle2, 8) == 0) return std::make_unique<XlsReader>(path);
    if (isOldExcel(head, got))
        cannotRead(path, "it is an Excel 2.x, 3.0 or 4.0 file, which is not read; open it in a spreadsheet program, "
                         "save it as .xlsx and import that file");

    if (got >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        auto zip = std::make_unique<ZipArchive>(path);
        const std::string workbook = XlsxReader::workbookPart(*zip);
        if (!workbook.empty()) return std::make_unique<XlsxReader>(std::move(zip), path, workbook);
        const bool odsMimetype = zip->contains("mimetype") &&
                                 zip->read("mimetype").rfind("application/vnd.oasis.opendocument.spreadsheet", 0) == 0;
        if (odsMimetype || (!zip->contains("mimetype") && zip->contains("content.xml")))
            return std::make_unique<OdsReader>(std::move(zip), path);
        cannotRead(path, "it is a zip archive but not a spreadsheet");
    }

    if (CsvReader::looksLikeText(path)) return std::make_unique<CsvReader>(path);
    cannotRead(path, "it is not a spreadsheet (xlsx, ods, xls or csv)");
}

} // namespace sheets
