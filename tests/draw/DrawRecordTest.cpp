#include "core/record/Fingerprint.h"
#include "core/record/Verification.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"

#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

using Kind = ui::MessageBox::Kind;

namespace {

QStringList kinds(const TestDatabase& db) {
    QStringList result;
    for (const auto& entry : db.journal())
        result << entry.first;
    return result;
}

void tick() {
    emit fAcak->Timer2->timeout();
}

// "Acak", one tick, "Stop", "Tampilkan": the participant of that tick is selected and shown.
QString drawOne() {
    DrawFixture::click("btn_acak");
    tick();
    DrawFixture::click("btn_stop");
    DrawFixture::click("BitBtn4");
    return fAcak->ed_msisdn->text();
}

} // namespace

class DrawRecordTest : public QObject {
    Q_OBJECT

private slots:
    // A draw from start to "Batal", recorded in order; the chain holds.
    void drawIsRecorded() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        const QString number = drawOne(); // "D<ID>": with IDs 1..5 the rank is the ID
        fAcak->ed_hadiah->setText(QStringLiteral("Televisi"));
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{QStringLiteral("Data Sudah Disimpan")});
        DrawFixture::click("BitBtn4");
        DrawFixture::click("BitBtn3");
        fAcak->close();

        QCOMPARE(kinds(f.db()), (QStringList{"journal_begun", "program_started", "stop", "show", "winner_saved", "show",
                                             "cancel", "program_ended"}));
        const auto entries = f.db().journal();
        const QJsonObject start = entries[1].second;
        QCOMPARE(start.value("participants").toInt(), 5);
        QCOMPARE(start.value("fingerprint").toString().toStdString(),
                 record::Fingerprint::ofTable(DTModule->cn, "tb_peserta").sha256);
        QCOMPARE(start.value("speed").toInt(), 50);
        const QString id = number.mid(1);
        QCOMPARE(entries[2].second,
                 (QJsonObject{{"run", 2}, {"n", 5}, {"rank", id.toInt()}, {"id", id}, {"no_undian", number}}));
        QCOMPARE(entries[4].second.value("values"),
                 (QJsonArray{number, QStringLiteral("Nama ") + id, QStringLiteral("Televisi")}));
        QCOMPARE(entries[4].second.value("rowid").toInt(), 1);
        QCOMPARE(entries[6].second.value("values"), (QJsonArray{number, QStringLiteral("Nama ") + id, "Televisi"}));
        QCOMPARE(record::Verification::of(f.db().path()).exitCode(), 0);
    }

    // The winner's row and its entry are both stored or neither: a journal that refuses the entry (here a trigger,
    // as a full disk would) fails the save with the database's words, and nothing is stored.
    void saveAndItsEntryGoTogether() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        drawOne();
        fAcak->ed_hadiah->setText(QStringLiteral("Kulkas"));
        f.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal WHEN NEW.jenis='winner_saved' "
                    "BEGIN SELECT RAISE(ABORT, 'the journal is full'); END");
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("the journal is full.")});
        QVERIFY(TestApplication::texts(Kind::Information).isEmpty());
        QCOMPARE(f.db().count("tb_pemenang"), 0LL);
        QVERIFY(!kinds(f.db()).contains(QStringLiteral("winner_saved")));

        f.db().exec("DROP TRIGGER refuse");
        TestApplication::clear();
        DrawFixture::click("BitBtn4");
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{QStringLiteral("Data Sudah Disimpan")});
        QCOMPARE(f.db().count("tb_pemenang"), 1LL);
        QCOMPARE(kinds(f.db()).count(QStringLiteral("winner_saved")), 1);
    }

    // The shuffle writes nothing; the draw's moments do.
    void shuffleWritesNothing() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        DTModule->journal.ensureStarted();
        const int before = static_cast<int>(f.db().count("tb_jurnal"));
        DrawFixture::click("btn_acak");
        for (int i = 0; i < 50; ++i)
            tick();
        QCOMPARE(static_cast<int>(f.db().count("tb_jurnal")), before);
        DrawFixture::click("btn_stop");
        QCOMPARE(static_cast<int>(f.db().count("tb_jurnal")), before + 1);
    }

    // "About" names the list by its count and the first 16 hex digits of its fingerprint, in groups of four.
    void aboutShowsTheFingerprint() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(7); });
        const QString fingerprint =
            QString::fromStdString(record::Fingerprint::ofTable(DTModule->cn, "tb_peserta").sha256);
        DrawFixture::click("BitBtn8");
        const auto shown = TestApplication::texts(Kind::Plain);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("Peserta dalam undian ini: 7")), qPrintable(shown.first()));
        const QString groups =
            QStringLiteral("%1 %2 %3 %4")
                .arg(fingerprint.mid(0, 4), fingerprint.mid(4, 4), fingerprint.mid(8, 4), fingerprint.mid(12, 4));
        QVERIFY2(shown.first().contains(QStringLiteral("\nSidik jari daftar peserta: ") + groups + QLatin1Char('\n')),
                 qPrintable(shown.first()));
    }

    // When the participants table changed since start-up, the draw screen says so when it is active again, in a
    // line of the bottom band that covers no control.
    void changedListIsShownWhenActiveAgain() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        auto* line = fAcak->findChild<QLabel*>(QStringLiteral("lbl_daftar"));
        QVERIFY(line);
        QVERIFY(!line->isVisible());

        f.db().exec("INSERT INTO tb_peserta VALUES(6,'D6','Nama 6','086')"); // another program adds one
        fPeserta->show();
        fPeserta->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fPeserta));
        QVERIFY(!line->isVisible()); // checked when the draw screen is active again
        fAcak->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fAcak));
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), QStringLiteral("Daftar peserta telah berubah sejak program dibuka: 5 peserta dalam "
                                              "undian ini, 6 di tabel. Mulai ulang program untuk mengundi daftar yang "
                                              "baru."));
        // Within the bottom band and the client area, clear of every control.
        QVERIFY(line->geometry().top() >= 616 && line->geometry().bottom() < 734);
        QVERIFY(line->geometry().right() < 1016);
        for (QWidget* control : fAcak->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (control != line && control != fAcak->Image1)
                QVERIFY2(!control->geometry().intersects(line->geometry()), qPrintable(control->objectName()));
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width());

        f.db().exec("DELETE FROM tb_peserta WHERE ID=6");
        fAcak->FormActivate(fAcak);
        QVERIFY(!line->isVisible());
    }
};

QTEST_MAIN(DrawRecordTest)
#include "DrawRecordTest.moc"
