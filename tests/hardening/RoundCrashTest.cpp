// The program killed (SIGKILL) with a round of the prize plan stopped and shown, not saved: the next start shows that
// round again, as it was drawn, to be saved or cancelled, and never draws it again.
#include "core/record/Events.h"
#include "core/record/Verification.h"
#include "draw/uAcak.h"
#include "platform/ui/Timer.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using Kind = ui::MessageBox::Kind;

class RoundCrashTest : public QObject {
    Q_OBJECT

    // The driver's first line; the driver is killed once it is read.
    static QString driveAndKill(const QString& directory, const QString& plan) {
        QProcess driver;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        driver.setProcessEnvironment(environment);
        driver.start(QStringLiteral(CRASH_DRIVER), {directory, QStringLiteral("round"), plan});
        if (!driver.waitForStarted(30000)) return {};
        while (!driver.canReadLine() && driver.state() == QProcess::Running)
            driver.waitForReadyRead(100);
        const QString line = QString::fromUtf8(driver.readLine()).trimmed();
        driver.kill();
        driver.waitForFinished(30000);
        return line;
    }

private slots:
    void stoppedRoundComesBackAfterAKill_data() {
        QTest::addColumn<QByteArray>("plan");
        QTest::newRow("round of five") << QByteArray("Hadiah,Jumlah,Per putaran\nTelevisi,10,5\n");
        QTest::newRow("round of one") << QByteArray("Hadiah,Jumlah\nMobil,1\n");
    }

    void stoppedRoundComesBackAfterAKill() {
        QFETCH(QByteArray, plan);
        TestDatabase db;
        db.addParticipants(30);
        QTemporaryDir dir;
        const QString planFile = dir.filePath(QStringLiteral("hadiah.csv"));
        QFile file(planFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(plan);
        file.close();

        const QString stopped = driveAndKill(db.directory(), planFile);
        QVERIFY2(stopped.startsWith(QStringLiteral("stopped ")), qPrintable(stopped));
        const QStringList numbers = stopped.mid(8).split(QLatin1Char(' '));
        const QString prize = numbers.size() == 1 ? QStringLiteral("Mobil") : QStringLiteral("Televisi");
        QCOMPARE(db.count("tb_pemenang"), 0);

        {
            TestApplication program(db.directory());
            fAcak->show();
            QVERIFY(QTest::qWaitForWindowExposed(fAcak));
            QTRY_COMPARE(TestApplication::texts(Kind::Information),
                         QStringList{QStringLiteral("Putaran sebelumnya belum disimpan: %1, %2 pemenang. Tekan Simpan "
                                                    "untuk menyimpannya atau Batal untuk membatalkannya.")
                                         .arg(prize)
                                         .arg(numbers.size())});
            QCOMPARE(
                fAcak->lbl_putaran->text(),
                QStringLiteral("Putaran sebelumnya belum disimpan: %1, %2 pemenang").arg(prize).arg(numbers.size()));
            QStringList shown;
            if (numbers.size() == 1) {
                shown << fAcak->ed_msisdn->text();
            } else {
                for (int i = 0; i < fAcak->lst_putaran->topLevelItemCount(); ++i)
                    shown << fAcak->lst_putaran->topLevelItem(i)->text(1);
            }
            QCOMPARE(shown, numbers);
            QVERIFY(fAcak->BitBtn2->isEnabled());

            // Not drawn again: "Acak" waits for the round to be saved or cancelled.
            TestApplication::clear();
            QTest::mouseClick(fAcak->btn_acak, Qt::LeftButton);
            QVERIFY(!fAcak->Timer2->enabled());
            QCOMPARE(TestApplication::texts(Kind::Information).size(), 1);
            QTest::mouseClick(fAcak->BitBtn2, Qt::LeftButton);
            QCOMPARE(TestApplication::texts(Kind::Information).last(), QStringLiteral("Data Sudah Disimpan"));
        }
        QStringList saved;
        for (const auto& row : db.rows("SELECT no_undian FROM tb_pemenang ORDER BY rowid"))
            saved << QString::fromStdString(row[0]);
        QCOMPARE(saved, numbers);
        int stops = 0;
        for (const auto& entry : db.journal())
            stops += entry.first == QLatin1String(record::event::kRoundStopped);
        QCOMPARE(stops, 1);
        const auto check = record::Verification::of(db.path());
        QVERIFY2(check.exitCode() == 0, qPrintable(check.text()));

        // Saved: the next start brings nothing back.
        TestApplication again(db.directory());
        QCoreApplication::processEvents();
        QVERIFY(!fAcak->BitBtn2->isEnabled());
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList());
    }
};

QTEST_MAIN(RoundCrashTest)
#include "RoundCrashTest.moc"
