#include "platform/sheets/ZipArchive.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/ReadError.h"
#include "platform/sheets/ZipEntryStream.h"

#include <zip.h>

namespace sheets {

namespace {

std::string partName(const std::string& name) {
    return !name.empty() && name.front() == '/' ? name.substr(1) : name;
}

} // namespace

ZipArchive::ZipArchive(const std::string& path) : m_path(path) {
    int error = 0;
    m_zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!m_zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        std::string reason = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        if (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS)
            reason = "the zip archive is damaged or incomplete (" + reason + ")";
        cannotRead(path, reason);
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip) zip_discard(m_zip);
}

long long ZipArchive::locate(const std::string& name) const {
    return zip_name_locate(m_zip, partName(name).c_str(), ZIP_FL_NOCASE);
}

bool ZipArchive::contains(const std::string& name) const {
    return locate(name) >= 0;
}

std::unique_ptr<ZipEntryStream> ZipArchive::openStream(const std::string& name, bool readAhead) const {
    const long long index = locate(name);
    if (index < 0) cannotRead(m_path, "the workbook has no part " + partName(name));
    zip_stat_t st;
    zip_stat_init(&st);
    std::int64_t compressed = 0;
    if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_COMP_SIZE))
        compressed = static_cast<std::int64_t>(st.comp_size);
    zip_file_t* file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
    if (!file) cannotRead(m_path, "cannot open its part " + partName(name) + " (" + zip_strerror(m_zip) + ")");
    return std::make_unique<ZipEntryStream>(file, m_path, partName(name), compressed, readAhead);
}

std::string ZipArchive::read(const std::string& name) const {
    auto stream = openStream(name);
    std::string data;
    char buffer[65536];
    for (;;) {
        const std::size_t n = stream->read(buffer, sizeof buffer);
        if (n == 0) break;
        data.append(buffer, n);
        if (static_cast<std::int64_t>(data.size()) > limits::kMaxSmallPartBytes)
            cannotRead(m_path, "its part " + partName(name) + " is larger than " +
                                   std::to_string(limits::kMaxSmallPartBytes / (1024 * 1024)) + " MB");
    }
    return data;
}

} // namespace sheets
