// Kills the program (SIGKILL) right after it confirmed a saved winner and at many moments of an upload, then reopens
// the database as the program does: the file must be sound, every confirmed winner there, and an interrupted upload
// must have left all of its file or none of it. Kills during the winners export must leave the previous export
// whole and nothing else that the next export does not remove.
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <chrono>
#include <thread>

namespace {

// The driver process: the program's screens on a database, reporting each confirmed step as one line.
class Driver {
public:
    Driver(const QString& directory, const QString& mode, const QString& argument) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(CRASH_DRIVER), {directory, mode, argument});
        if (!m_process.waitForStarted(30000)) qFatal("the crash driver did not start");
    }
    ~Driver() {
        if (m_process.state() != QProcess::NotRunning) kill();
    }

    // The next line the driver printed; empty when it ended or nothing came in time.
    QString nextLine(int timeoutMs = 60000) {
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning || waited.elapsed() > timeoutMs) return {};
            m_process.waitForReadyRead(100);
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    // SIGKILL; returns whatever the driver had printed but was not read yet.
    QStringList kill() {
        m_process.kill();
        m_process.waitForFinished(30000);
        QStringList lines;
        while (m_process.canReadLine())
            lines << QString::fromUtf8(m_process.readLine()).trimmed();
        return lines;
    }

    bool finishedNormally(int timeoutMs = 60000) {
        return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

// Reopens the database through the program's own connection and asks SQLite to check every page.
std::string integrityOf(const std::string& path) {
    db::Connection connection;
    connection.setDatabasePath(path);
    connection.open();
    db::Statement check(connection, "PRAGMA integrity_check");
    std::string result;
    while (check.step())
        result += (result.empty() ? "" : "; ") + std::string(check.columnText(0));
    return result;
}

bool hotJournalLeft(const TestDatabase& database) {
    return QFile::exists(QString::fromStdString(database.path() + "-journal"));
}

struct Figures {
    int tried = 0;
    int survived = 0;
    int withHotJournal = 0;
};

} // namespace

class CrashSurvivalTest : public QObject {
    Q_OBJECT

private slots:
    void killAfterConfirmedSave();
    void killDuringUpload();
    void killDuringExport_data();
    void killDuringExport();
    void cleanupTestCase();

private:
    Figures m_saves;
    Figures m_uploads;
    int m_uploadsNone = 0;
    int m_uploadsAll = 0;
    QStringList m_exports;
};

void CrashSurvivalTest::killAfterConfirmedSave() {
    TestDatabase database;
    database.addParticipants(10);
    QSet<QString> confirmed;
    QRandomGenerator random(20240607);
    const int kills = 30;
    for (int round = 0; round < kills; ++round) {
        // The driver saves one winner after another; it is killed the moment the k-th confirmation arrives.
        Driver driver(database.directory(), QStringLiteral("save"), QString::number(round * 1000));
        const int k = 1 + random.bounded(6);
        for (int seen = 0; seen < k;) {
            const QString line = driver.nextLine();
            QVERIFY2(line.startsWith(QLatin1String("saved ")), qPrintable(line + driver.errors()));
            confirmed.insert(line.mid(6));
            ++seen;
        }
        // Every other round a few milliseconds later: those kills mostly land inside the next save's transaction.
        if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(5000)));
        // Lines already printed were confirmations the operator saw: they count as well.
        for (const QString& line : driver.kill())
            if (line.startsWith(QLatin1String("saved "))) confirmed.insert(line.mid(6));
        ++m_saves.tried;
        if (hotJournalLeft(database)) ++m_saves.withHotJournal;

        QCOMPARE(integrityOf(database.path()), std::string("ok"));
        QSet<QString> stored;
        for (const auto& row : database.rows("SELECT hadiah FROM tb_pemenang"))
            stored.insert(QString::fromStdString(row.at(0)));
        for (const QString& prize : confirmed)
            QVERIFY2(stored.contains(prize), qPrintable(QStringLiteral("confirmed winner lost: ") + prize));
        // At most the one save that was under way when the kill came is there without its confirmation.
        QVERIFY(stored.size() <= confirmed.size() + round + 1);
        ++m_saves.survived;
    }
}

void CrashSurvivalTest::killDuringUpload() {
    TestDatabase database;
    const int rows = 5000;
    const QString file = database.directory() + QStringLiteral("/participants.csv");
    {
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        QByteArray text = "ID,no_undian,nama,hp\r\n";
        for (int id = 1; id <= rows; ++id)
            text += QByteArray::number(id) + ",U" + QByteArray::number(100000 + id) + ",Peserta nomor " +
                    QByteArray::number(id) + ",0812" + QByteArray::number(7000000 + id) + "\r\n";
        csv.write(text);
    }
    const std::string countAll = "SELECT count(*), count(DISTINCT ID), min(ID), max(ID) FROM tb_peserta";
    const std::vector<std::string> all = {std::to_string(rows), std::to_string(rows), "1", std::to_string(rows)};

    // How long an upload takes from "uploading" to "uploaded": the kills are spread over that time and a little beyond.
    QElapsedTimer clock;
    {
        Driver driver(database.directory(), QStringLiteral("upload"), file);
        const QString start = driver.nextLine();
        QVERIFY2(start == QLatin1String("uploading"), qPrintable(start + driver.errors()));
        clock.start();
        const QString end = driver.nextLine();
        QVERIFY2(end == QLatin1String("uploaded"), qPrintable(end + driver.errors()));
    }
    const qint64 uploadUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    QCOMPARE(database.rows(countAll).at(0), all);
    qInfo("one upload of %d rows takes about %lld ms", rows, static_cast<long long>(uploadUs / 1000));

    QRandomGenerator random(20240608);
    const int kills = 30;
    for (int point = 0; point < kills; ++point) {
        database.exec("DELETE FROM tb_peserta");
        Driver driver(database.directory(), QStringLiteral("upload"), file);
        const QString start = driver.nextLine();
        QVERIFY2(start == QLatin1String("uploading"), qPrintable(start + driver.errors()));
        // Evenly over 1.2 times the upload's duration, with some jitter inside each slot.
        const double slot = 1.2 * static_cast<double>(uploadUs) / kills;
        const auto delay = static_cast<qint64>(slot * (point + random.generateDouble()));
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        driver.kill();
        ++m_uploads.tried;
        if (hotJournalLeft(database)) ++m_uploads.withHotJournal;

        QCOMPARE(integrityOf(database.path()), std::string("ok"));
        const auto counted = database.rows(countAll).at(0);
        if (counted.at(0) == "0") {
            ++m_uploadsNone;
        } else {
            QCOMPARE(counted, all); // all of the file or none of it
            ++m_uploadsAll;
        }
        ++m_uploads.survived;
    }
}

void CrashSurvivalTest::killDuringExport_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("unnamed new file, through the screen") << QStringLiteral("export");
    QTest::newRow("named new file") << QStringLiteral("export-named");
}

void CrashSurvivalTest::killDuringExport() {
    QFETCH(QString, mode);
    TestDatabase database;
    database.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
                  "INSERT INTO tb_pemenang SELECT '08' || (7000000 + i), 'Pemenang nomor ' || i, 'Hadiah' FROM n");
    const QString folder = database.directory() + QStringLiteral("/out");
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/pemenang.xls");
    auto others = [&] {
        QStringList names =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("pemenang.xls"));
        return names;
    };

    // One whole export first: the file every later kill must leave as it is, and how long an export takes.
    QElapsedTimer clock;
    {
        Driver driver(database.directory(), mode, target);
        QCOMPARE(driver.nextLine(), QStringLiteral("exporting"));
        clock.start();
        const QString done = driver.nextLine();
        QVERIFY2(done == QLatin1String("exported"), qPrintable(done + driver.errors()));
        QVERIFY(driver.finishedNormally());
    }
    const qint64 exportUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray previous = file.readAll();
    file.close();
    QVERIFY(previous.count('\n') >= 200000);

    QRandomGenerator random(20240609);
    const int kills = 30;
    int leftNames = 0;
    for (int point = 0; point < kills; ++point) {
        Driver driver(database.directory(), mode, target);
        const QString start = driver.nextLine();
        QVERIFY2(start == QLatin1String("exporting"), qPrintable(start + driver.errors()));
        // Evenly over 1.2 times an export's duration, with some jitter inside each slot: before the file is made,
        // while it is written, synced, named and renamed, and after.
        const double slot = 1.2 * static_cast<double>(exportUs) / kills;
        std::this_thread::sleep_for(
            std::chrono::microseconds(static_cast<qint64>(slot * (point + random.generateDouble()))));
        driver.kill();

        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == previous, "the previous export is not whole");
        file.close();
        // Beside it at most the name a kill between naming and renaming leaves, which the next export removes.
        const QStringList left = others();
        QVERIFY2(left.size() <= 1, qPrintable(left.join(u' ')));
        for (const QString& name : left)
            QVERIFY2(QRegularExpression(QStringLiteral("^\\.export-[0-9]+-[0-9a-f]{8}\\.tmp$")).match(name).hasMatch(),
                     qPrintable(name));
        leftNames += static_cast<int>(left.size());
    }
    // An unnamed file has a name only for the moment between naming and renaming: a kill nearly never finds one.
    if (mode == QLatin1String("export")) QVERIFY2(leftNames <= kills / 10, qPrintable(QString::number(leftNames)));

    {
        Driver driver(database.directory(), mode, target);
        QCOMPARE(driver.nextLine(), QStringLiteral("exporting"));
        QCOMPARE(driver.nextLine(), QStringLiteral("exported"));
        QVERIFY(driver.finishedNormally());
    }
    QCOMPARE(others(), QStringList());
    m_exports << QStringLiteral("%1: %2 kills, %3 left a named temporary file, removed by the next export; one export "
                                "takes about %4 ms")
                     .arg(mode)
                     .arg(kills)
                     .arg(leftNames)
                     .arg(exportUs / 1000);
}

void CrashSurvivalTest::cleanupTestCase() {
    for (const QString& line : m_exports)
        qInfo("kill points during the export, %s", qPrintable(line));
    qInfo("kill points after a confirmed save: %d tried, %d survived (%d left a hot journal to roll back)",
          m_saves.tried, m_saves.survived, m_saves.withHotJournal);
    qInfo("kill points during an upload: %d tried, %d survived (%d left none of the file, %d all of it; %d left a hot "
          "journal to roll back)",
          m_uploads.tried, m_uploads.survived, m_uploadsNone, m_uploadsAll, m_uploads.withHotJournal);
}

QTEST_GUILESS_MAIN(CrashSurvivalTest)
#include "CrashSurvivalTest.moc"
