#include "winners/ExportFile.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QStringList entries(const QString& directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class ExportFileTest : public QObject {
    Q_OBJECT

private slots:
    void manyBuffersInOrder();
    void abandonedFileLeavesOldOne();
    void replacedFileKeepsPermissions();
    void writesThroughSymbolicLink();
    void messagesByMeaning_data();
    void messagesByMeaning();
};

void ExportFileTest::manyBuffersInOrder() {
    // Far more than one buffer's worth, with lines straddling every flush.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.xls"));
    QByteArray expected;
    {
        ExportFile file(path);
        for (int i = 0; i < 150000; ++i) {
            const std::string line = std::to_string(i) + "\t" + std::string(static_cast<std::size_t>(i % 37), 'x');
            file.writeLine(line);
            expected += QByteArray::fromStdString(line) + "\r\n";
        }
        QCOMPARE(entries(dir.path()).size(), 1); // the temporary alone, the target not there yet
        QVERIFY(!QFile::exists(path));
        file.commit();
    }
    QCOMPARE(readFile(path), expected);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("big.xls")});
}

void ExportFileTest::abandonedFileLeavesOldOne() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xls"));
    writeFile(path, "old\r\n");
    {
        ExportFile file(path);
        for (int i = 0; i < 100000; ++i)
            file.writeLine("a line that is not kept");
    }
    QCOMPARE(readFile(path), QByteArray("old\r\n"));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("out.xls")});
}

void ExportFileTest::replacedFileKeepsPermissions() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xls"));
    writeFile(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ExportFile file(path);
    file.writeLine("new");
    file.commit();
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, 0640u);
    QCOMPARE(readFile(path), QByteArray("new\r\n"));
}

void ExportFileTest::writesThroughSymbolicLink() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString real = dir.filePath(QStringLiteral("real/out.xls"));
    const QString link = dir.filePath(QStringLiteral("link.xls"));
    writeFile(real, "old");
    QVERIFY(QFile::link(real, link));
    ExportFile file(link);
    file.writeLine("new");
    file.commit();
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(real), QByteArray("new\r\n"));
    QCOMPARE(entries(dir.filePath(QStringLiteral("real"))), QStringList{QStringLiteral("out.xls")});
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

QTEST_GUILESS_MAIN(ExportFileTest)
#include "ExportFileTest.moc"
