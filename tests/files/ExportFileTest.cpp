#include "platform/files/ExportFile.h"
#include "platform/Error.h"
#include "platform/files/PosixFileSystem.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using files::ExportFile;
using files::FileSystem;
using files::PosixFileSystem;

namespace {

// The id of a process that has ended.
long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<long>(child);
}

// The system as the export sees it, with every call recorded and one call made to fail.
class StandIn : public FileSystem {
public:
    QString failing; // the call that fails
    int error = 0;
    QStringList calls;

    int prepareTarget(QString&) override { return answer(QStringLiteral("prepare")); }
    int create(const QString&, Temporary& file) override {
        const int result = answer(QStringLiteral("create"));
        if (!result) file = {7, QStringLiteral("temporary")};
        return result;
    }
    int write(const Temporary&, const char*, std::size_t size) override {
        written += size;
        return answer(QStringLiteral("write"));
    }
    int sync(const Temporary&) override { return answer(QStringLiteral("sync")); }
    int publish(Temporary& file, const QString&) override {
        const int result = answer(QStringLiteral("publish"));
        if (!result) file = {};
        return result;
    }
    void discard(Temporary& file) override {
        if (file.descriptor >= 0 || !file.name.isEmpty()) calls << QStringLiteral("discard");
        file = {};
    }
    std::size_t written = 0;

private:
    int answer(const QString& call) {
        calls << call;
        return call == failing ? error : 0;
    }
};

} // namespace

class ExportFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void manyBuffersInOrder_data();
    void manyBuffersInOrder();
    void abandonedFileLeavesOldOne_data();
    void abandonedFileLeavesOldOne();
    void replacedFileKeepsPermissions_data();
    void replacedFileKeepsPermissions();
    void writesThroughSymbolicLink_data();
    void writesThroughSymbolicLink();
    void failureAtEachStep_data();
    void failureAtEachStep();
    void messagesByMeaning_data();
    void messagesByMeaning();
    void leftoversOfKilledExports_data();
    void leftoversOfKilledExports();
    void nextExportRemovesLeftovers();

private:
    void addModes();
    std::unique_ptr<QTemporaryDir> m_dir;
};

void ExportFileTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

// Every case runs with an unnamed new file and, as on a file system without those, a named one.
void ExportFileTest::addModes() {
    QTest::addColumn<PosixFileSystem::Temporaries>("temporaries");
    QTest::newRow("unnamed") << PosixFileSystem::Temporaries::Unnamed;
    QTest::newRow("named") << PosixFileSystem::Temporaries::Named;
}

void ExportFileTest::manyBuffersInOrder_data() {
    addModes();
}

void ExportFileTest::manyBuffersInOrder() {
    // Far more than one buffer's worth, with lines straddling every flush.
    QFETCH(PosixFileSystem::Temporaries, temporaries);
    PosixFileSystem system(temporaries);
    const QString path = m_dir->filePath(QStringLiteral("big.xls"));
    QByteArray expected;
    {
        ExportFile file(path, system);
        for (int i = 0; i < 150000; ++i) {
            const std::string line = std::to_string(i) + "\t" + std::string(static_cast<std::size_t>(i % 37), 'x');
            file.writeLine(line);
            expected += QByteArray::fromStdString(line) + "\r\n";
        }
        // While it is written the new file has no name at all, or one hidden name; the target is not there yet.
        const QStringList writing = entries(m_dir->path());
        if (temporaries == PosixFileSystem::Temporaries::Unnamed) {
            QCOMPARE(writing, QStringList());
        } else {
            QCOMPARE(writing.size(), 1);
            QVERIFY(writing.first().startsWith(QStringLiteral(".export-%1-").arg(::getpid())));
        }
        file.commit();
    }
    QCOMPARE(readFile(path), expected);
    QCOMPARE(entries(m_dir->path()), QStringList{QStringLiteral("big.xls")});
}

void ExportFileTest::abandonedFileLeavesOldOne_data() {
    addModes();
}

void ExportFileTest::abandonedFileLeavesOldOne() {
    QFETCH(PosixFileSystem::Temporaries, temporaries);
    PosixFileSystem system(temporaries);
    const QString path = m_dir->filePath(QStringLiteral("out.xls"));
    writeFile(path, "old\r\n");
    {
        ExportFile file(path, system);
        for (int i = 0; i < 100000; ++i)
            file.writeLine("a line that is not kept");
    }
    QCOMPARE(readFile(path), QByteArray("old\r\n"));
    QCOMPARE(entries(m_dir->path()), QStringList{QStringLiteral("out.xls")});
}

void ExportFileTest::replacedFileKeepsPermissions_data() {
    addModes();
}

void ExportFileTest::replacedFileKeepsPermissions() {
    QFETCH(PosixFileSystem::Temporaries, temporaries);
    PosixFileSystem system(temporaries);
    const QString path = m_dir->filePath(QStringLiteral("out.xls"));
    writeFile(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ExportFile file(path, system);
    file.writeLine("new");
    file.commit();
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, 0640u);
    QCOMPARE(readFile(path), QByteArray("new\r\n"));
}

void ExportFileTest::writesThroughSymbolicLink_data() {
    addModes();
}

void ExportFileTest::writesThroughSymbolicLink() {
    QFETCH(PosixFileSystem::Temporaries, temporaries);
    PosixFileSystem system(temporaries);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("real")));
    const QString real = m_dir->filePath(QStringLiteral("real/out.xls"));
    const QString link = m_dir->filePath(QStringLiteral("link.xls"));
    writeFile(real, "old");
    QVERIFY(QFile::link(real, link));
    ExportFile file(link, system);
    file.writeLine("new");
    file.commit();
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(real), QByteArray("new\r\n"));
    QCOMPARE(entries(m_dir->filePath(QStringLiteral("real"))), QStringList{QStringLiteral("out.xls")});
}

void ExportFileTest::failureAtEachStep_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("calls");
    const QString d = QStringLiteral("discard");
    QTest::newRow("target refused") << "prepare" << EISDIR << "File access denied" << QStringList{"prepare"};
    QTest::newRow("no room for the file") << "create" << ENOSPC << "I/O error 28" << QStringList{"prepare", "create"};
    QTest::newRow("write") << "write" << EFBIG << "I/O error 27" << QStringList{"prepare", "create", "write", d};
    QTest::newRow("sync") << "sync" << EIO << "I/O error 5" << QStringList{"prepare", "create", "write", "sync", d};
    QTest::newRow("publish") << "publish" << EACCES << "File access denied"
                             << QStringList{"prepare", "create", "write", "sync", "publish", d};
    QTest::newRow("none") << QString() << 0 << QString()
                          << QStringList{"prepare", "create", "write", "sync", "publish"};
}

// The order of the system's calls, the message of a failing one, and an unfinished file always discarded.
void ExportFileTest::failureAtEachStep() {
    QFETCH(QString, failing);
    QFETCH(int, error);
    QFETCH(QString, message);
    QFETCH(QStringList, calls);
    StandIn system;
    system.failing = failing;
    system.error = error;
    QString thrown;
    try {
        ExportFile file(QStringLiteral("/nowhere/out.xls"), system);
        file.writeLine("No\tMSISDN\tSMS\tHadiah\t");
        file.commit();
    } catch (const platform::Error& e) {
        thrown = QString::fromStdString(e.what());
    }
    QCOMPARE(thrown, message);
    QCOMPARE(system.calls, calls);
    if (failing.isEmpty()) QCOMPARE(system.written, std::size_t(23));
}

void ExportFileTest::messagesByMeaning_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("ENOENT") << ENOENT << QStringLiteral("File not found");
    QTest::newRow("ENOTDIR") << ENOTDIR << QStringLiteral("Invalid filename");
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << QStringLiteral("Invalid filename");
    QTest::newRow("EMFILE") << EMFILE << QStringLiteral("Too many open files");
    QTest::newRow("ENFILE") << ENFILE << QStringLiteral("Too many open files");
    QTest::newRow("EACCES") << EACCES << QStringLiteral("File access denied");
    QTest::newRow("EROFS") << EROFS << QStringLiteral("File access denied");
    QTest::newRow("EISDIR") << EISDIR << QStringLiteral("File access denied");
    QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("I/O error %1").arg(ENOSPC);
    QTest::newRow("EFBIG") << EFBIG << QStringLiteral("I/O error %1").arg(EFBIG);
    QTest::newRow("EIO") << EIO << QStringLiteral("I/O error %1").arg(EIO);
}

void ExportFileTest::messagesByMeaning() {
    QFETCH(int, code);
    QFETCH(QString, message);
    QCOMPARE(QString::fromStdString(ExportFile::errorMessage(code)), message);
}

enum class Kind { File, LockedFile, HourOldFile, Directory, Link };
Q_DECLARE_METATYPE(Kind)

void ExportFileTest::leftoversOfKilledExports_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("removed");
    const QString ended = QString::number(endedProcess());
    const QString alive = QString::number(::getppid());
    const QString hex = QStringLiteral("-0badcafe.tmp");
    QTest::newRow("process ended") << ".export-" + ended + hex << Kind::File << true;
    QTest::newRow("process alive") << ".export-" + alive + hex << Kind::File << false;
    QTest::newRow("this process") << ".export-" + QString::number(::getpid()) + hex << Kind::File << false;
    QTest::newRow("still locked by its writer") << ".export-" + ended + hex << Kind::LockedFile << false;
    QTest::newRow("earlier pattern, untouched an hour") << ".export-0badcafe.tmp" << Kind::HourOldFile << true;
    QTest::newRow("earlier pattern, written lately") << ".export-0badcafe.tmp" << Kind::File << false;
    QTest::newRow("a directory of that name") << ".export-" + ended + hex << Kind::Directory << false;
    QTest::newRow("a link of that name") << ".export-" + ended + hex << Kind::Link << false;
    QTest::newRow("not hidden") << "export-" + ended + hex << Kind::File << false;
    QTest::newRow("capital hex digits") << ".export-" + ended + "-0BADCAFE.tmp" << Kind::File << false;
    QTest::newRow("other suffix") << ".export-" + ended + "-0badcafe.xls" << Kind::File << false;
    QTest::newRow("the operator's own") << ".export-notes.tmp" << Kind::HourOldFile << false;
}

void ExportFileTest::leftoversOfKilledExports() {
    QFETCH(QString, name);
    QFETCH(Kind, kind);
    QFETCH(bool, removed);
    const QString path = m_dir->filePath(name);
    const QString other = m_dir->filePath(QStringLiteral("pemenang.xls"));
    writeFile(other, "an export");
    int holder = -1;
    switch (kind) {
    case Kind::File:
    case Kind::HourOldFile:
    case Kind::LockedFile:
        writeFile(path, "part of an export");
        break;
    case Kind::Directory:
        QVERIFY(QDir(m_dir->path()).mkdir(name));
        break;
    case Kind::Link:
        QVERIFY(QFile::link(other, path));
        break;
    }
    if (kind == Kind::HourOldFile) {
        const struct utimbuf old = {std::time(nullptr) - 7200, std::time(nullptr) - 7200};
        QCOMPARE(::utime(QFile::encodeName(path).constData(), &old), 0);
    }
    if (kind == Kind::LockedFile) {
        // The lock a writer holds; an OFD lock is refused to another open file even in the same process.
        holder = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        QCOMPARE(::fcntl(holder, F_OFD_SETLK, &lock), 0);
    }
    PosixFileSystem::removeLeftovers(m_dir->path());
    if (holder >= 0) ::close(holder);
    QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
    QCOMPARE(readFile(other), QByteArray("an export"));
}

// What a kill left in the folder goes with the next export there; a leftover elsewhere stays.
void ExportFileTest::nextExportRemovesLeftovers() {
    const QString ended = QString::number(endedProcess());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("elsewhere")));
    for (const QString& folder : {m_dir->path(), m_dir->filePath(QStringLiteral("elsewhere"))})
        writeFile(folder + "/.export-" + ended + "-0badcafe.tmp", QByteArray(100000, 'x'));
    ExportFile file(m_dir->filePath(QStringLiteral("pemenang.xls")));
    file.writeLine("No\tMSISDN\tSMS\tHadiah\t");
    file.commit();
    QCOMPARE(entries(m_dir->path()), (QStringList{QStringLiteral("elsewhere"), QStringLiteral("pemenang.xls")}));
    QCOMPARE(entries(m_dir->filePath(QStringLiteral("elsewhere"))).size(), 1);
}

QTEST_GUILESS_MAIN(ExportFileTest)
#include "ExportFileTest.moc"
