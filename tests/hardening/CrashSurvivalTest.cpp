// Kills the program (SIGKILL) right after it confirmed a saved winner, then reopens
// the database as the program does: the file must be sound and every confirmed winner there.
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "tests/support/TestDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

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
    db::Statement check(connection.handle(), "PRAGMA integrity_check");
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
    void cleanupTestCase();

private:
    Figures m_saves;
};

void CrashSurvivalTest::killAfterConfirmedSave() {
    TestDatabase database;
    database.addParticipants(10);
    QSet<QString> confirmed;
    QRandomGenerator random(20240607);
    const int kills = 20;
    for (int round = 0; round < kills; ++round) {
        // The driver saves one winner after another; it is killed the moment the k-th confirmation arrives, so the
        // kill lands in the middle of a later save as often as between two.
        Driver driver(database.directory(), QStringLiteral("save"), QString::number(round * 1000));
        const int k = 1 + random.bounded(6);
        for (int seen = 0; seen < k;) {
            const QString line = driver.nextLine();
            QVERIFY2(line.startsWith(QLatin1String("saved ")), qPrintable(line + driver.errors()));
            confirmed.insert(line.mid(6));
            ++seen;
        }
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

void CrashSurvivalTest::cleanupTestCase() {
    qInfo("kill points after a confirmed save: %d tried, %d survived (%d left a hot journal to roll back)",
          m_saves.tried, m_saves.survived, m_saves.withHotJournal);
}

QTEST_GUILESS_MAIN(CrashSurvivalTest)
#include "CrashSurvivalTest.moc"
