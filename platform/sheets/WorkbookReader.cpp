#include "platform/sheets/WorkbookReader.h"

#include "platform/Error.h"
#include "platform/sheets/CsvReader.h"
#include "platform/sheets/OdsReader.h"
#include "platform/sheets/XlsReader.h"
#include "platform/sheets/XlsxReader.h"
#include "platform/sheets/ZipArchive.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace sheets {

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& reason) {
    throw platform::Error("Cannot read \"" + path + "\": " + reason + ".");
}

} // namespace

std::unique_ptr<WorkbookReader> WorkbookReader::open(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) refuse(path, std::strerror(errno));
    char head[8] = {};
    file.read(head, sizeof head);
    const auto got = static_cast<std::size_t>(file.gcount());
    if (file.bad()) refuse(path, std::strerror(errno));
    file.close();
    if (got == 0) refuse(path, "the file is empty");

    static constexpr unsigned char kOle2[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && std::memcmp(head, kOle2, 8) == 0) return std::make_unique<XlsReader>(path);

    if (got >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        auto zip = std::make_unique<ZipArchive>(path);
        if (zip->contains("xl/workbook.xml")) return std::make_unique<XlsxReader>(std::move(zip), path);
        const bool odsMimetype = zip->contains("mimetype") &&
                                 zip->read("mimetype").rfind("application/vnd.oasis.opendocument.spreadsheet", 0) == 0;
        if (odsMimetype || (!zip->contains("mimetype") && zip->contains("content.xml")))
            return std::make_unique<OdsReader>(std::move(zip), path);
        refuse(path, "it is a zip archive but not a spreadsheet");
    }

    if (CsvReader::looksLikeText(path)) return std::make_unique<CsvReader>(path);
    refuse(path, "it is not a spreadsheet (xlsx, ods, xls or csv)");
}

} // namespace sheets
