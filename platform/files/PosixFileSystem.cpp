#include "platform/files/PosixFileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

std::string native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string folderOf(const QString& target) {
    return native(QFileInfo(target).absolutePath());
}

// A name of fixed length, so a long target name cannot make the temporary one too long.
std::string temporaryName(const std::string& folder) {
    char name[64];
    std::snprintf(name, sizeof name, "/.export-%ld-%08x.tmp", static_cast<long>(::getpid()),
                  QRandomGenerator::global()->generate());
    return folder + name;
}

// Held on the open file for as long as the export writes it; an OFD lock goes with the file's last descriptor,
// whatever ends the process. Where the file system has no such locks the process id in the name still tells.
void lockForWriting(int descriptor) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(descriptor, F_OFD_SETLK, &lock);
}

// A replaced file keeps its permissions.
void keepMode(int descriptor, const QString& target) {
    struct stat status {};
    if (::stat(native(target).c_str(), &status) == 0) ::fchmod(descriptor, status.st_mode & 07777);
}

// The rename is on the disk too, so a power cut right after the export cannot bring the old file back. The export
// is complete and in place either way, so a folder that cannot be synced is no failure.
void syncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

bool isHex(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

enum class Leftover { No, OfThisPattern, OfEarlierPattern };

// ".export-<pid>-<8 hex>.tmp" (with its pid), or ".export-<8 hex>.tmp" as earlier versions named them.
Leftover leftoverPattern(const std::string& name, long& pid) {
    const std::string prefix = ".export-", suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return Leftover::No;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dash = middle.find('-');
    if (dash == std::string::npos)
        return middle.size() == 8 && isHex(middle) ? Leftover::OfEarlierPattern : Leftover::No;
    const std::string digits = middle.substr(0, dash), hex = middle.substr(dash + 1);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos ||
        hex.size() != 8 || !isHex(hex))
        return Leftover::No;
    pid = std::stol(digits);
    return Leftover::OfThisPattern;
}

bool processAlive(long pid) {
    return pid == static_cast<long>(::getpid()) || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Whether nobody writes the file: a read lock is granted only while no writer holds its lock.
bool unlocked(int descriptor) {
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(descriptor, F_OFD_SETLK, &lock) == 0;
}

} // namespace

int PosixFileSystem::prepareTarget(QString& target) {
    const QFileInfo info(target);
    if (info.isSymLink()) target = info.symLinkTarget();
    struct stat status {};
    if (::stat(native(target).c_str(), &status) != 0) return 0; // nothing to replace, or the creation reports it
    if (S_ISDIR(status.st_mode)) return EISDIR;
    if ((status.st_mode & 0222) == 0 || ::access(native(target).c_str(), W_OK) != 0) return EACCES;
    return 0;
}

int PosixFileSystem::create(const QString& target, Temporary& file) {
    const std::string folder = folderOf(target);
    removeLeftovers(QFile::decodeName(folder.c_str()));
    int descriptor = -1;
    std::string name;
    if (m_temporaries == Temporaries::Unnamed) {
        descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        // A file system without unnamed files says so in one of these ways; anything else is the folder's fault
        // and a named file would fail the same way.
        if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    }
    for (int attempt = 0; descriptor < 0; ++attempt) {
        name = temporaryName(folder);
        descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0 && (errno != EEXIST || attempt == 100)) return errno;
    }
    lockForWriting(descriptor);
    keepMode(descriptor, target);
    file.descriptor = descriptor;
    file.name = QFile::decodeName(name.c_str());
    return 0;
}

int PosixFileSystem::write(const Temporary& file, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(file.descriptor, data, size);
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

int PosixFileSystem::sync(const Temporary& file) {
    return ::fsync(file.descriptor) == 0 ? 0 : errno;
}

int PosixFileSystem::publish(Temporary& file, const QString& target) {
    const std::string folder = folderOf(target);
    if (file.name.isEmpty()) {
        // An unnamed file is named through its descriptor; a kill from here to the rename leaves that name, which
        // the next export in this folder removes.
        const std::string self = "/proc/self/fd/" + std::to_string(file.descriptor);
        for (int attempt = 0;; ++attempt) {
            const std::string name = temporaryName(folder);
            int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno == ENOENT) // no /proc: the same by the descriptor itself
                linked = ::linkat(file.descriptor, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
            if (linked == 0) {
                file.name = QFile::decodeName(name.c_str());
                break;
            }
            if (errno != EEXIST || attempt == 100) return errno;
        }
    }
    const int closed = ::close(file.descriptor);
    file.descriptor = -1;
    if (closed != 0) return errno;
    if (::rename(native(file.name).c_str(), native(target).c_str()) != 0) return errno;
    file.name.clear();
    syncFolder(folder);
    return 0;
}

void PosixFileSystem::discard(Temporary& file) {
    if (file.descriptor >= 0) ::close(file.descriptor);
    if (!file.name.isEmpty()) ::unlink(native(file.name).c_str());
    file = Temporary();
}

void PosixFileSystem::removeLeftovers(const QString& folderName) {
    const std::string folder = native(folderName);
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return; // the creation that follows reports what is wrong with the folder
    const int folderDescriptor = ::dirfd(listing);
    const uid_t user = ::geteuid();
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        long pid = 0;
        const Leftover pattern = leftoverPattern(name, pid);
        if (pattern == Leftover::No || (pattern == Leftover::OfThisPattern && processAlive(pid))) continue;
        const int descriptor =
            ::openat(folderDescriptor, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat status {};
        const bool ours = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == user;
        const bool idle = pattern == Leftover::OfThisPattern || status.st_mtime < std::time(nullptr) - 3600;
        if (ours && idle && unlocked(descriptor)) ::unlinkat(folderDescriptor, name.c_str(), 0);
        ::close(descriptor);
    }
    ::closedir(listing);
}

FileSystem& nativeFileSystem() {
    static PosixFileSystem system;
    return system;
}

} // namespace files
