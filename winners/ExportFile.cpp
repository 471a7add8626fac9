#include "winners/ExportFile.h"

#include "platform/Error.h"

#include <QByteArray>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// What the export needs of the operating system, each call giving 0 or an errno value.
namespace os {

#ifdef _WIN32
std::wstring native(const QString& path) {
    return path.toStdWString();
}

int checkTarget(const QString& path) {
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    if (attributes & FILE_ATTRIBUTE_READONLY) return EACCES;
    return 0;
}

int create(const QString& path, int& descriptor) {
    // Others may read the file while it is written, but not write it.
    return _wsopen_s(&descriptor, native(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _SH_DENYWR, _S_IREAD | _S_IWRITE);
}

int write(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
        const int written = _write(descriptor, data, chunk);
        if (written < 0) return errno;
        if (written == 0) return ENOSPC;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int sync(int descriptor) {
    return _commit(descriptor) == 0 ? 0 : errno;
}
int close(int descriptor) {
    return _close(descriptor) == 0 ? 0 : errno;
}
void keepMode(int, const QString&) {}

int replace(const QString& from, const QString& to) {
    if (MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return EIO;
    }
}

void remove(const QString& path) {
    _wunlink(native(path).c_str());
}
#else
std::string native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

int checkTarget(const QString& path) {
    struct stat status {};
    if (::stat(native(path).c_str(), &status) != 0) return 0; // nothing to replace, or the creation reports it
    if (S_ISDIR(status.st_mode)) return EISDIR;
    // A read-only file stays as it is, even for a user whose rights would let the rename replace it.
    if ((status.st_mode & 0222) == 0 || ::access(native(path).c_str(), W_OK) != 0) return EACCES;
    return 0;
}

int create(const QString& path, int& descriptor) {
    descriptor = ::open(native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return descriptor < 0 ? errno : 0;
}

int write(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return ENOSPC;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int sync(int descriptor) {
    return ::fsync(descriptor) == 0 ? 0 : errno;
}
int close(int descriptor) {
    return ::close(descriptor) == 0 ? 0 : errno;
}

// A replaced file keeps its permissions.
void keepMode(int descriptor, const QString& target) {
    struct stat status {};
    if (::stat(native(target).c_str(), &status) == 0) ::fchmod(descriptor, status.st_mode & 07777);
}

int replace(const QString& from, const QString& to) {
    return ::rename(native(from).c_str(), native(to).c_str()) == 0 ? 0 : errno;
}

void remove(const QString& path) {
    ::unlink(native(path).c_str());
}
#endif

} // namespace os

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

ExportFile::ExportFile(const QString& path)
    : m_target(path), m_encoder(QStringConverter::System), m_sameEncoding(systemEncodingIsUtf8()) {
    // Writing through a symbolic link replaces the file it points to, not the link.
    const QFileInfo info(path);
    if (info.isSymLink()) m_target = info.symLinkTarget();
    if (const int refused = os::checkTarget(m_target)) fail(refused);

    const QString directory = QFileInfo(m_target).absolutePath();
    for (int attempt = 0;; ++attempt) {
        // A name of fixed length, so a long target name cannot make the temporary one too long.
        m_temporary =
            directory +
            QStringLiteral("/.export-%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int error = os::create(m_temporary, m_descriptor);
        if (error == 0) break;
        m_descriptor = -1;
        if (error != EEXIST || attempt == 100) {
            m_temporary.clear();
            fail(error);
        }
    }
    os::keepMode(m_descriptor, m_target);
    m_buffer.reserve(kWriteSize + 4096);
}

ExportFile::~ExportFile() {
    if (m_descriptor >= 0) os::close(m_descriptor);
    if (!m_temporary.isEmpty()) os::remove(m_temporary);
}

void ExportFile::fail(int code) {
    if (m_descriptor >= 0) os::close(m_descriptor);
    m_descriptor = -1;
    if (!m_temporary.isEmpty()) os::remove(m_temporary);
    m_temporary.clear();
    throw platform::Error(errorMessage(code));
}

void ExportFile::writeLine(std::string_view utf8) {
    ++m_lines;
    if (m_sameEncoding) {
        m_buffer.append(utf8);
    } else {
        const QByteArray bytes = m_encoder.encode(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
        // The temporary file goes with this object, so the previous export stays as it was.
        if (m_encoder.hasError())
            throw platform::Error("Line " + std::to_string(m_lines) +
                                  " of the export holds characters that the system's code page cannot write");
        m_buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kWriteSize) flush();
}

void ExportFile::flush() {
    if (const int error = os::write(m_descriptor, m_buffer.data(), m_buffer.size())) fail(error);
    m_buffer.clear();
}

void ExportFile::commit() {
    flush();
    if (const int error = os::sync(m_descriptor)) fail(error);
    const int closed = os::close(m_descriptor);
    m_descriptor = -1;
    if (closed) fail(closed);
    if (const int error = os::replace(m_temporary, m_target)) fail(error);
    m_temporary.clear();
}
