// Faults of the machine around db_sms.mdb: a damaged file at start-up, a file another program holds locked, a file
// that cannot be written. Each gives a clear message, the program keeps running, nothing is written into a damaged
// file, and the operation works once the cause is gone.
#include "draw/uAcak.h"
#include "tests/support/Files.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using Kind = ui::MessageBox::Kind;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (auto& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    return bytes;
}

// A healthy db_sms.mdb of a few pages: 3000 participants and some winners.
QByteArray healthyDatabase() {
    TestDatabase database;
    database.addParticipants(3000);
    database.exec("INSERT INTO tb_pemenang VALUES('D1','Nama 1','Sepeda'),('D2','Nama 2','Kulkas')");
    return readFile(database.directory() + QStringLiteral("/db_sms.mdb"));
}

// Saves the participant shown by "Tampilkan" with this prize, as the operator does.
void saveWinner(const QString& prize) {
    fAcak->BitBtn4->click(); // "Tampilkan"
    fAcak->ed_hadiah->setText(prize);
    fAcak->BitBtn2->click(); // "&Simpan"
}

bool confirmed() {
    return TestApplication::texts(Kind::Information).contains(QStringLiteral("Data Sudah Disimpan"));
}

// Another program holding an exclusive lock on the database until release() or the end of the scope.
class Locker {
public:
    explicit Locker(const std::string& path) {
        m_process.start(QStringLiteral(DATABASE_LOCKER), {QString::fromStdString(path)});
        if (!m_process.waitForReadyRead(30000) || m_process.readLine().trimmed() != "locked")
            qFatal("the database locker could not lock: %s", m_process.readAllStandardError().constData());
    }
    ~Locker() { release(); }
    void release() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.write("\n");
        m_process.closeWriteChannel();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
};

// Runs as another user for a while, so that file permissions hold even when the tests run as root.
class OtherUser {
public:
    OtherUser() : m_was(geteuid()) {
        if (m_was == 0) m_switched = seteuid(65534) == 0; // nobody
    }
    ~OtherUser() { back(); }
    bool permissionsHold() const { return m_was != 0 || m_switched; }
    void back() {
        if (m_switched && seteuid(m_was) == 0) m_switched = false;
    }

private:
    uid_t m_was;
    bool m_switched = false;
};

} // namespace

class MachineFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void damagedFileAtStartUp_data();
    void damagedFileAtStartUp();
    void emptyFileAtStartUp();
    void lockedDatabase_data();
    void lockedDatabase();
    void lockedDatabaseAtStartUp();
    void readOnlyDatabase();
    void fullDiskAtSave();
};

void MachineFaultsTest::damagedFileAtStartUp_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("reasons"); // the first message holds one of them

    const QByteArray healthy = healthyDatabase();
    QVERIFY(healthy.size() > 64 * 1024);
    const QStringList notDatabase{QStringLiteral("file is not a database")};
    const QStringList damaged{QStringLiteral("database disk image is malformed"), QStringLiteral("not a database")};

    QTest::newRow("a participants list saved as db_sms.mdb")
        << QByteArray("ID,no_undian,nama,hp\r\n1,A001,Ani,0812\r\n") << notDatabase;
    QTest::newRow("random bytes") << randomBytes(64 * 1024, 1) << notDatabase;
    QTest::newRow("a healthy header, then random bytes")
        << healthy.left(100) + randomBytes(healthy.size() - 100, 2) << damaged;
    QTest::newRow("truncated to half") << healthy.left(healthy.size() / 2) << damaged;
    QTest::newRow("truncated inside the first page") << healthy.left(1000) << damaged;
    QTest::newRow("first page wiped") << QByteArray(4096, '\0') + healthy.mid(4096) << damaged;
}

void MachineFaultsTest::damagedFileAtStartUp() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, reasons);

    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("db_sms.mdb"));
    writeFile(path, content);
    {
        TestApplication program(directory.path());
        const QStringList errors = TestApplication::texts(Kind::Error);
        QVERIFY(!errors.isEmpty());
        const QString first = errors.first();
        qInfo("start-up says: %s", qPrintable(first));
        QVERIFY2(
            first.startsWith(QStringLiteral("Cannot open the database '%1': ").arg(QDir::toNativeSeparators(path))),
            qPrintable(first));
        QVERIFY2(first.contains(QStringLiteral("the file is damaged or is not the program's database")),
                 qPrintable(first));
        QVERIFY2(std::any_of(reasons.begin(), reasons.end(), [&](const QString& r) { return first.contains(r); }),
                 qPrintable(first));

        // The program keeps running: every button that needs the database says so and returns.
        TestApplication::clear();
        fAcak->BitBtn4->click(); // "Tampilkan"
        fAcak->BitBtn6->click(); // "Lihat Pemenang"
        fAcak->BitBtn7->click(); // "Lihat Peserta"
        QCOMPARE(TestApplication::texts(Kind::Error).size(), 3);
        QVERIFY(fAcak->isEnabled());
    }
    // Nothing was written into the damaged file, and no journal was left beside it.
    QCOMPARE(readFile(path), content);
    QCOMPARE(QDir(directory.path()).entryList(QDir::Files), QStringList{QStringLiteral("db_sms.mdb")});

    // Once a healthy file is back in its place, the program starts and saves as usual.
    writeFile(path, healthyDatabase());
    TestApplication program(directory.path());
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    saveWinner(QStringLiteral("Sepeda motor"));
    QVERIFY(confirmed());
}

// SQLite takes a file of no bytes for a new, empty database: it opens, and each table the program opens is missing.
// Nothing is created in it, so the operator's copy of the real file can simply replace it.
void MachineFaultsTest::emptyFileAtStartUp() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("db_sms.mdb"));
    writeFile(path, QByteArray());
    {
        TestApplication program(directory.path());
        QCOMPARE(TestApplication::texts(Kind::Error), (QStringList{QStringLiteral("no such table: tb_peserta."),
                                                                   QStringLiteral("no such table: tb_pemenang.")}));
        TestApplication::clear();
        fAcak->BitBtn4->click(); // "Tampilkan": still running
        QCOMPARE(TestApplication::texts(Kind::Error).size(), 1);
    }
    QCOMPARE(QFileInfo(path).size(), 0);
    writeFile(path, healthyDatabase());
    TestApplication program(directory.path());
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
}

using Operation = std::function<void()>;
using Outcome = std::function<bool(const TestDatabase&)>;
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Outcome)

void MachineFaultsTest::lockedDatabase_data() {
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<Outcome>("done");

    QTest::newRow("saving a winner") << Operation([] {
        saveWinner(QStringLiteral("Kulkas"));
    }) << Outcome([](const TestDatabase& database) { return confirmed() && database.count("tb_pemenang") == 1; });
    QTest::newRow("showing the winners") << Operation([] { fAcak->BitBtn6->click(); }) << Outcome([](const auto&) {
        return fPemenang->ADOTable1.active() && fPemenang->ADOTable1.recordCount() == 0;
    });
    QTest::newRow("changing the speed") << Operation([] {
        fAcak->ADOTable2.edit();
        fAcak->ADOTable2.setFieldText("speed", "120");
        fAcak->BitBtn5->click(); // "OK"
    }) << Outcome([](const TestDatabase& database) {
        return database.rows("SELECT speed FROM setup").at(0).at(0) == "120";
    });
}

void MachineFaultsTest::lockedDatabase() {
    QFETCH(Operation, operation);
    QFETCH(Outcome, done);

    TestDatabase database;
    database.addParticipants(5);
    TestApplication program(database.directory());
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    {
        Locker locker(database.path());
        operation(); // waits for the busy timeout, then gives up
        // One error for each step that could not be recorded ("Tampilkan" before a save), each saying why.
        const QStringList errors = TestApplication::texts(Kind::Error);
        QVERIFY(!errors.isEmpty());
        for (const QString& error : errors) {
            QVERIFY2(error.contains(QStringLiteral("locked by another program")), qPrintable(error));
            QVERIFY2(error.contains(QStringLiteral("database is locked")), qPrintable(error));
        }
        QVERIFY(!confirmed());
    }
    // The other program has let go: the same operation now works in the same, still running program.
    TestApplication::clear();
    operation();
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QVERIFY(done(database));
}

void MachineFaultsTest::lockedDatabaseAtStartUp() {
    TestDatabase database;
    database.addParticipants(5);
    {
        Locker locker(database.path());
        TestApplication program(database.directory());
        const QStringList errors = TestApplication::texts(Kind::Error);
        QVERIFY(!errors.isEmpty());
        QVERIFY2(errors.first().contains(QStringLiteral("locked by another program")), qPrintable(errors.first()));
        fAcak->BitBtn4->click(); // still running
    }
    TestApplication program(database.directory());
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    saveWinner(QStringLiteral("Televisi"));
    QVERIFY(confirmed());
    QCOMPARE(database.count("tb_pemenang"), 1LL);
}

// A file the program's user may read but not write. Reading goes on (the draw works); the save says why it fails.
// SQLite opens such a file read-only once and for all, so the save works again after the program is restarted.
void MachineFaultsTest::readOnlyDatabase() {
    TestDatabase database;
    database.addParticipants(5);
    const QString directory = database.directory();
    const QString path = QString::fromStdString(database.path());
    const QByteArray before = readFile(path);
    QVERIFY(chmod(path.toLocal8Bit().constData(), 0444) == 0);
    QVERIFY(chmod(directory.toLocal8Bit().constData(), 0555) == 0);
    {
        OtherUser user;
        if (!user.permissionsHold()) {
            chmod(directory.toLocal8Bit().constData(), 0755);
            QSKIP("running as root without a way to become another user: permissions would not hold");
        }
        TestApplication program(directory);
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList()); // the draw can run
        saveWinner(QStringLiteral("Kipas angin"));
        // "Tampilkan" cannot be recorded, nor can the save: each says why.
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 2);
        for (const QString& error : errors) {
            QVERIFY2(error.contains(QStringLiteral("read-only")), qPrintable(error));
            QVERIFY2(error.contains(QStringLiteral("attempt to write a readonly database")), qPrintable(error));
        }
        QVERIFY(!confirmed());
        TestApplication::clear();
        fAcak->BitBtn6->click(); // "Lihat Pemenang" still reads
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        user.back();
    }
    QCOMPARE(readFile(path), before);

    QVERIFY(chmod(directory.toLocal8Bit().constData(), 0755) == 0);
    QVERIFY(chmod(path.toLocal8Bit().constData(), 0644) == 0);
    TestApplication program(directory);
    saveWinner(QStringLiteral("Kipas angin"));
    QVERIFY(confirmed());
    QCOMPARE(database.count("tb_pemenang"), 1LL);
}

// The disk fills up during a save (a file-size limit stands in for it): the save says so, nothing of it is stored,
// the file stays sound, and the same save works once there is room again.
void MachineFaultsTest::fullDiskAtSave() {
    TestDatabase database;
    database.addParticipants(5);
    TestApplication program(database.directory());
    const QString prize = QStringLiteral("Hadiah utama ").repeated(5000); // grows the file by some pages
    rlimit before{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &before) == 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
    {
        rlimit full = before;
        full.rlim_cur = static_cast<rlim_t>(QFileInfo(QString::fromStdString(database.path())).size());
        QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        saveWinner(prize);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &before) == 0);
    }
    // The save, and "Tampilkan" before it when its journal entry found no room either, say why.
    const QStringList errors = TestApplication::texts(Kind::Error);
    QVERIFY(errors.size() == 1 || errors.size() == 2);
    qInfo("the save says: %s", qPrintable(errors.last()));
    for (const QString& error : errors)
        QVERIFY2(error.contains(QStringLiteral("the disk may be full")) ||
                     error.contains(QStringLiteral("The disk is full")),
                 qPrintable(error));
    QVERIFY(!confirmed());
    QCOMPARE(database.count("tb_pemenang"), 0LL);
    QCOMPARE(database.rows("PRAGMA integrity_check").at(0).at(0), std::string("ok"));

    TestApplication::clear();
    saveWinner(prize);
    signal(SIGXFSZ, oldHandler);
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QVERIFY(confirmed());
    QCOMPARE(database.count("tb_pemenang"), 1LL);
}

QTEST_MAIN(MachineFaultsTest)
#include "MachineFaultsTest.moc"
