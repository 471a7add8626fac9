#pragma once

#include "platform/files/FileSystem.h"

namespace files {

// The seam on Linux. A new file is opened without a name (O_TMPFILE) in the target's folder, so a kill while it is
// written leaves nothing; it is named only once complete and synced, then renamed over the target. Where the file
// system refuses unnamed files it gets a name from the start: ".export-<process id>-<8 hex digits>.tmp", locked for
// as long as it is open. Such a name is also what a kill between naming and renaming leaves behind. Every creation
// first removes the leftovers in its folder.
class PosixFileSystem : public FileSystem {
public:
    enum class Temporaries { Unnamed, Named };
    // Named gives every new file a name from the start, as on a file system without unnamed files.
    explicit PosixFileSystem(Temporaries temporaries = Temporaries::Unnamed) : m_temporaries(temporaries) {}

    int prepareTarget(QString& target) override;
    int create(const QString& target, Temporary& file) override;
    int write(const Temporary& file, const char* data, std::size_t size) override;
    int sync(const Temporary& file) override;
    int publish(Temporary& file, const QString& target) override;
    void discard(Temporary& file) override;

    // Removes from the folder the temporary files of exports that were killed: a name of the pattern above whose
    // process is gone and whose lock nobody holds, a regular file of this user. Names of the earlier pattern
    // ".export-<8 hex digits>.tmp", which carried no lock, go once they have not been written to for an hour.
    static void removeLeftovers(const QString& folder);

private:
    Temporaries m_temporaries;
};

} // namespace files
