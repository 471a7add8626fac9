#pragma once

#include <memory>
#include <string>

struct zip;

namespace sheets {

class ZipEntryStream;

// A zip container (xlsx, ods) opened read-only. Part names are matched without regard to case, as the packaging
// rules of both formats want, and a leading '/' (absolute target) is ignored.
class ZipArchive {
public:
    // Throws platform::Error naming the file when it is not a readable zip (truncated, damaged).
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool contains(const std::string& name) const;
    // The whole part, for the small ones (workbook, relationships, styles, mimetype); refuses parts past the limit.
    std::string read(const std::string& name) const;
    // The part in chunks; with readAhead inflated on a thread of its own (see ZipEntryStream).
    std::unique_ptr<ZipEntryStream> openStream(const std::string& name, bool readAhead = false) const;

    const std::string& path() const { return m_path; }

private:
    long long locate(const std::string& name) const;

    std::string m_path;
    zip* m_zip = nullptr;
};

} // namespace sheets
