#pragma once

#include "platform/files/FileSystem.h"

#include <QCryptographicHash>
#include <QString>
#include <QStringEncoder>
#include <string>
#include <string_view>

namespace files {

// A file written whole or not at all, such as the winners export or the minutes. It is written beside its final place
// and put there only once every byte is written and on disk, so a failed or killed export leaves the previous file as
// it was and nothing else behind. Lines go into a large buffer, each converted once into the system's 8-bit
// encoding, and reach the disk in big writes. Failures throw platform::Error with the message the system's error
// code selects.
class ExportFile {
public:
    // Starts the new file beside `path`; an existing directory or read-only file at `path` is refused now.
    explicit ExportFile(const QString& path, FileSystem& system = nativeFileSystem());
    // Removes the unfinished file unless commit() succeeded.
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Appends the UTF-8 text, unchanged but for its encoding, and CR LF. A text the system's 8-bit encoding cannot
    // hold is refused (the export would otherwise show '?' in place of a winner's letters).
    void writeLine(std::string_view utf8);
    // Appends bytes as they are (a document made elsewhere, such as a PDF).
    void write(std::string_view bytes);
    // The SHA-256 of the file's bytes, in hex, once every line is written: what the journal records of the export.
    QString sha256();
    // Writes out the buffer, syncs the file and puts it in place of the target.
    void commit();

    // The message of an input/output failure with this errno value.
    static std::string errorMessage(int code);

private:
    [[noreturn]] void fail(int code);
    void flush();

    FileSystem& m_system;
    QString m_target;
    FileSystem::Temporary m_file;
    QStringEncoder m_encoder;
    bool m_sameEncoding; // the system's 8-bit encoding is UTF-8: lines are copied as they are
    std::string m_buffer;
    std::size_t m_lines = 0; // lines written so far, the header included
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

} // namespace files
