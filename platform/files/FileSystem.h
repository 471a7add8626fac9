#pragma once

#include <QString>
#include <cstddef>

namespace files {

// What writing a file whole or not at all needs of the operating system, and nothing more: ExportFile reaches the
// system through this seam alone, so its own part is the same on every system and tests can stand in for the
// system. Every call gives 0 or an errno value, from which the operator's message is chosen.
class FileSystem {
public:
    // A new file being written beside its target, not yet in its place.
    struct Temporary {
        int descriptor = -1;
        QString name; // empty while the file has no name
    };

    virtual ~FileSystem() = default;

    // Follows a symbolic link to the file it names (that file is replaced, not the link). 0 when that file may be
    // replaced or made; EISDIR for a directory, EACCES for a file that is read-only, even to a user whose rights
    // would let a rename replace it.
    virtual int prepareTarget(QString& target) = 0;
    // Opens a new, empty file in the target's folder, with the target's permissions when it exists. A process
    // killed while it writes leaves either nothing or a file that the next creation in that folder removes.
    virtual int create(const QString& target, Temporary& file) = 0;
    virtual int write(const Temporary& file, const char* data, std::size_t size) = 0;
    // Writes the file through to the disk.
    virtual int sync(const Temporary& file) = 0;
    // Closes the synced file and puts it in the target's place, replacing what was there in one step. On failure
    // the target is as it was and the file is left for discard().
    virtual int publish(Temporary& file, const QString& target) = 0;
    // Closes and removes an unfinished file; nothing to do for a published one.
    virtual void discard(Temporary& file) = 0;
};

// The running system's.
FileSystem& nativeFileSystem();

} // namespace files
