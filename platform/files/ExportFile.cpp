#include "platform/files/ExportFile.h"

#include "platform/Error.h"

#include <QByteArray>
#include <cerrno>

namespace files {

namespace {

constexpr std::size_t kWriteSize = std::size_t(1) << 20;

// The system encoder does not name its encoding, so it is asked to encode letters whose UTF-8 bytes no 8-bit code
// page produces.
bool systemEncodingIsUtf8() {
    QStringEncoder encoder(QStringConverter::System);
    const QByteArray probe = encoder.encode(QStringLiteral("\u00E9\u20AC"));
    return probe == QByteArrayView("\xC3\xA9\xE2\x82\xAC");
}

} // namespace

std::string ExportFile::errorMessage(int code) {
    switch (code) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
    case EILSEQ:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "File access denied";
    default:
        return "I/O error " + std::to_string(code);
    }
}

ExportFile::ExportFile(const QString& path, FileSystem& system)
    : m_system(system), m_target(path), m_encoder(QStringConverter::System), m_sameEncoding(systemEncodingIsUtf8()) {
    if (const int refused = m_system.prepareTarget(m_target)) fail(refused);
    if (const int error = m_system.create(m_target, m_file)) fail(error);
    m_buffer.reserve(kWriteSize + 4096);
}

ExportFile::~ExportFile() {
    m_system.discard(m_file);
}

void ExportFile::fail(int code) {
    m_system.discard(m_file);
    throw platform::Error(errorMessage(code));
}

void ExportFile::writeLine(std::string_view utf8) {
    ++m_lines;
    if (m_sameEncoding) {
        m_buffer.append(utf8);
    } else {
        const QByteArray bytes = m_encoder.encode(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
        // The unfinished file goes with this object, so the previous export stays as it was.
        if (m_encoder.hasError())
            throw platform::Error("Line " + std::to_string(m_lines) +
                                  " of the export holds characters that the system's code page cannot write");
        m_buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kWriteSize) flush();
}

void ExportFile::write(std::string_view bytes) {
    m_buffer.append(bytes);
    if (m_buffer.size() >= kWriteSize) flush();
}

void ExportFile::flush() {
    m_hash.addData(QByteArrayView(m_buffer.data(), static_cast<qsizetype>(m_buffer.size())));
    if (const int error = m_system.write(m_file, m_buffer.data(), m_buffer.size())) fail(error);
    m_buffer.clear();
}

QString ExportFile::sha256() {
    flush();
    return QString::fromLatin1(m_hash.result().toHex());
}

void ExportFile::commit() {
    flush();
    if (const int error = m_system.sync(m_file)) fail(error);
    if (const int error = m_system.publish(m_file, m_target)) fail(error);
}

} // namespace files
