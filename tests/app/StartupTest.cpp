#include "app/Program.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/db/Connection.h"
#include "platform/db/SqliteAccess.h"
#include "platform/ui/ErrorHandler.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Timer.h"
#include "tests/support/Files.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

using Kind = ui::MessageBox::Kind;

class StartupTest : public QObject {
    Q_OBJECT

private:
    // After an unhappy start the program is still whole: its screens exist, only the draw screen is meant to show.
    static void checkScreensStillThere() {
        QVERIFY(DTModule && fAcak && fPemenang && fPeserta);
        fAcak->show();
        QVERIFY(QTest::qWaitForWindowExposed(fAcak));
        QVERIFY(fAcak->isVisible());
        QVERIFY(!fPemenang->isVisible());
        QVERIFY(!fPeserta->isVisible());
    }

private slots:
    void fullStop_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Disk full"
                                << "Disk full.";
        QTest::newRow("digit") << "JPEG error #53"
                               << "JPEG error #53.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("exclamation") << "Stop!"
                                     << "Stop!";
        QTest::newRow("parenthesis") << "Failed (2)"
                                     << "Failed (2)";
        QTest::newRow("trailing blank") << "Failed "
                                        << "Failed ";
        QTest::newRow("comma") << "a,"
                               << "a,";
        QTest::newRow("hyphen, just before the full stop") << "a-"
                                                           << "a-";
        QTest::newRow("slash, just after the full stop") << "C:/Undian/"
                                                         << "C:/Undian/.";
        QTest::newRow("colon") << "Reason:"
                               << "Reason:.";
        QTest::newRow("closing quote") << "Cannot open \"x\""
                                       << "Cannot open \"x\"";
        QTest::newRow("apostrophe") << "Could not find file 'x'"
                                    << "Could not find file 'x'";
        QTest::newRow("line break") << "two\nlines\n"
                                    << "two\nlines\n";
        QTest::newRow("accented letter") << QString::fromUtf8("Kesalahan pada peserta é")
                                         << QString::fromUtf8("Kesalahan pada peserta é.");
        QTest::newRow("emoji") << QString::fromUtf8("hadiah \xF0\x9F\x8E\x81")
                               << QString::fromUtf8("hadiah \xF0\x9F\x8E\x81.");
        QTest::newRow("empty") << ""
                               << "";
    }

    void fullStop() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(program::withFullStop(message), shown);

        // And through the default error handler, as an error raised in a handler reaches it.
        ui::MessageBox::setRecording(true);
        ui::MessageBox::clearShown();
        program::initialize();
        ui::guarded([&] { throw std::runtime_error(message.toStdString()); });
        QCOMPARE(ui::MessageBox::shown().size(), 1);
        const auto box = ui::MessageBox::shown().first();
        QCOMPARE(box.kind, Kind::Error);
        QCOMPARE(box.caption, QStringLiteral("Tombolika"));
        QCOMPARE(box.text, shown);
    }

    void validDatabaseShowsOnlyTheDrawScreen() {
        TestDatabase db;
        db.addParticipants(3);
        TestApplication app(db.directory());
        QCOMPARE(TestApplication::shown().size(), 0);
        QVERIFY(DTModule->cn.isOpen());
        QVERIFY(fAcak->ADOTable1.active());
        QVERIFY(fPemenang->ADOTable1.active());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Tombolika"));
        checkScreensStillThere();
        QCOMPARE(fAcak->Timer2->interval(), 50);
    }

    void connectionIsDurable() {
        TestDatabase db;
        TestApplication app(db.directory());
        sqlite3_stmt* stmt = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db::SqliteAccess::handle(DTModule->cn), "PRAGMA synchronous", -1, &stmt, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(stmt, 0), 2); // FULL
        sqlite3_finalize(stmt);
    }

    void databaseIsLookedForBesideTheProgram() {
        TDTModule::setDatabaseDirectory(QString());
        QCOMPARE(TDTModule::databaseDirectory(), QCoreApplication::applicationDirPath());
    }

    void noDatabase() {
        QTemporaryDir empty;
        {
            TestApplication app(empty.path());
            const QString path = QDir::toNativeSeparators(empty.filePath(QStringLiteral("db_sms.mdb")));
            // The connection's error, then the draw screen's and the winners screen's table opens, in that order.
            const QStringList errors = TestApplication::texts(Kind::Error);
            QCOMPARE(errors.size(), 3);
            QCOMPARE(errors.at(0), QStringLiteral("Could not find file '%1'.").arg(path));
            QCOMPARE(errors.at(1), QStringLiteral("The database connection is not open."));
            QCOMPARE(errors.at(2), QStringLiteral("The database connection is not open."));
            QCOMPARE(TestApplication::shown().size(), 3);
            QVERIFY(!fAcak->ADOTable1.active());
            QVERIFY(!fPemenang->ADOTable1.active());
            QCOMPARE(fAcak->Timer2->interval(), 50); // the shuffle interval from the design
            checkScreensStillThere();
        }
        QVERIFY(QDir(empty.path()).isEmpty()); // no empty database was made in its place
    }

    void damagedDatabase_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("random bytes") << QByteArray("\x13\x37\xde\xad\xbe\xef", 6).repeated(2000);
        QTest::newRow("a text file") << QByteArray("ID,no_undian,nama,hp\r\n1,A1,Ani,0812\r\n");
        QTest::newRow("a truncated header") << QByteArray("SQLite format 3\0", 16) + QByteArray(40, '\xff');
    }

    void damagedDatabase() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("db_sms.mdb"));
        writeFile(file, bytes);
        TestApplication app(dir.path());
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 3);
        QVERIFY2(errors.at(0).startsWith(
                     QStringLiteral("Cannot open the database '%1': ").arg(QDir::toNativeSeparators(file))),
                 qPrintable(errors.at(0)));
        QVERIFY2(errors.at(0).contains(QStringLiteral("not a database")) ||
                     errors.at(0).contains(QStringLiteral("malformed")),
                 qPrintable(errors.at(0)));
        checkScreensStillThere();
        QFile check(file);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), bytes); // the damaged file is left as it was
    }

    void missingLogo() {
        TestDatabase db;
        db.exec("UPDATE setup SET speed=120");
        QTemporaryDir noLogo;
        TestApplication app(db.directory(), noLogo.path());
        const QString path = QDir::toNativeSeparators(QDir(noLogo.path()).absoluteFilePath(QStringLiteral("LOGO.JPG")));
        QCOMPARE(TestApplication::texts(Kind::Error),
                 QStringList{QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(path)});
        QCOMPARE(TestApplication::shown().size(), 1);
        // Every step before the logo was done, and the creation went on with the winners screen.
        QCOMPARE(fAcak->Timer2->interval(), 120);
        QVERIFY(fAcak->ADOTable2.active());
        QVERIFY(fPemenang->ADOTable1.active());
        checkScreensStillThere();
    }

    void logoThatIsNotAJpeg() {
        TestDatabase db;
        QTemporaryDir logoDir;
        writeFile(logoDir.filePath(QStringLiteral("LOGO.JPG")),
                  QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, 'x'));
        TestApplication app(db.directory(), logoDir.path());
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("JPEG error #53.")});
        QVERIFY(fPemenang->ADOTable1.active());
        checkScreensStillThere();
    }

    void setupWithoutARow() {
        TestDatabase db;
        db.exec("DELETE FROM setup");
        TestApplication app(db.directory());
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(fAcak->Timer2->interval(), 50);
        QVERIFY(fPemenang->ADOTable1.active());
    }

    void missingWinnersTable() {
        TestDatabase db;
        db.exec("DROP TABLE tb_pemenang");
        TestApplication app(db.directory());
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("no such table: tb_pemenang.")});
        QVERIFY(fAcak->ADOTable1.active());
        QVERIFY(fPeserta != nullptr);
        checkScreensStillThere();
    }

    // A file made before the setting "winners are not drawn again" existed gets it, off, and keeps its speed; a
    // file that cannot be changed still starts without a word (the setting says why when it is switched on).
    void olderFileGainsTheWinnersSetting() {
        TestDatabase db;
        db.exec("DROP TABLE setup; CREATE TABLE setup (speed INTEGER NOT NULL CHECK (speed >= 0));"
                "INSERT INTO setup VALUES (120)");
        {
            TestApplication app(db.directory());
            QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
            QCOMPARE(fAcak->Timer2->interval(), 120);
            QVERIFY(!fAcak->winnersOnce());
            QCOMPARE(db.rows("SELECT * FROM setup"), (std::vector<std::vector<std::string>>{{"120", "0"}}));
        }
        db.exec("DROP TABLE setup; CREATE TABLE setup (speed INTEGER NOT NULL CHECK (speed >= 0));"
                "INSERT INTO setup VALUES (120)");
        sqlite3* locker = nullptr; // another program in the middle of a change
        QCOMPARE(sqlite3_open(db.path().c_str(), &locker), SQLITE_OK);
        QCOMPARE(sqlite3_exec(locker, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        {
            TestApplication app(db.directory());
            QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
            QCOMPARE(fAcak->Timer2->interval(), 120);
            QVERIFY(!fAcak->winnersOnce());
        }
        sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(locker);
        QCOMPARE(db.rows("SELECT * FROM setup"), (std::vector<std::vector<std::string>>{{"120"}}));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
