#include "core/record/Fingerprint.h"
#include "core/record/Verification.h"
#include "data/uData.h"
#include "draw/uAcak.h"
#include "draw/uPenonton.h"
#include "participants/uPeserta.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"

#include "tests/support/OnEachStore.h"
#include <QJsonObject>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QSet>
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

// Participants added on the participants screen (through a cursor of its own, journaled as the screen's are).
void addParticipants(int first, int last) {
    db::TableCursor cursor("ADOTable3");
    cursor.setConnection(&DTModule->cn);
    cursor.setTableName("tb_peserta");
    cursor.open();
    for (int id = first; id <= last; ++id) {
        cursor.append();
        const std::string n = std::to_string(id);
        cursor.setFieldText(0, n);
        cursor.setFieldText(1, "D" + n);
        cursor.setFieldText(2, "Nama " + n);
        cursor.setFieldText(3, "08" + n);
        cursor.post();
    }
}

// The list's seal as the operator and the hall read it: the first 16 hex digits in groups of four.
QString shortFingerprint() {
    const QString whole = QString::fromStdString(record::Fingerprint::ofTable(DTModule->cn, "tb_peserta").sha256);
    return QStringLiteral("%1 %2 %3 %4").arg(whole.mid(0, 4), whole.mid(4, 4), whole.mid(8, 4), whole.mid(12, 4));
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
        f.db().refuseJournal("winner_saved", "the journal is full");
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("the journal is full.")});
        QVERIFY(TestApplication::texts(Kind::Information).isEmpty());
        QCOMPARE(f.db().count("tb_pemenang"), 0LL);
        QVERIFY(!kinds(f.db()).contains(QStringLiteral("winner_saved")));

        f.db().acceptJournal();
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
    // line of the bottom band, with the button that reads the list again beside it; neither covers a control.
    void changedListIsShownWhenActiveAgain() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        auto* line = fAcak->findChild<QLabel*>(QStringLiteral("lbl_daftar"));
        QVERIFY(line);
        QVERIFY(!line->isVisible());
        QPushButton* reload = DrawFixture::button("btn_muatUlang");
        QVERIFY(reload);
        QVERIFY(!reload->isVisible());

        f.db().exec("INSERT INTO tb_peserta VALUES(6,'D6','Nama 6','086')"); // another program adds one
        fPeserta->show();
        fPeserta->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fPeserta));
        QVERIFY(!line->isVisible()); // checked when the draw screen is active again
        fAcak->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fAcak));
        QVERIFY(line->isVisible());
        QVERIFY(reload->isVisible() && reload->isEnabled());
        QCOMPARE(line->text(), QStringLiteral("Daftar peserta telah berubah sejak dimuat: 5 peserta dalam undian ini, "
                                              "6 di tabel. Tekan Muat Ulang Daftar untuk mengundi daftar yang baru."));
        QCOMPARE(reload->text(), QStringLiteral("Muat Ulang Daftar"));
        // Within the bottom band and the client area, clear of every control and of the speed box; so is the prize
        // plan's button beside them.
        for (QWidget* shown : {static_cast<QWidget*>(line), static_cast<QWidget*>(reload),
                               static_cast<QWidget*>(DrawFixture::button("btn_daftarHadiah"))}) {
            QVERIFY(shown->geometry().top() >= 616 && shown->geometry().bottom() < 734);
            QVERIFY(shown->geometry().right() < 1016);
            QVERIFY(!shown->geometry().intersects(QRect(16, 640, 241, 73))); // the speed box
            for (QWidget* control : fAcak->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (control != shown && control != fAcak->Image1)
                    QVERIFY2(!control->geometry().intersects(shown->geometry()),
                             qPrintable(shown->objectName() + QLatin1Char('/') + control->objectName()));
        }
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->width());
        QVERIFY(reload->fontMetrics().horizontalAdvance(reload->text()) + reload->iconSize().width() + 8 <=
                reload->width());

        f.db().exec("DELETE FROM tb_peserta WHERE ID=6");
        fAcak->FormActivate(fAcak);
        QVERIFY(!line->isVisible());
        QVERIFY(!reload->isVisible());
    }

    // "Muat Ulang Daftar" reads the participants table again: the draw, the audience screen and "About" take the
    // new list, sealed and recorded as a start would, and --verify holds the run's draws to it from then on.
    void reloadTakesTheNewList() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        drawOne();
        DrawFixture::click("BitBtn2");
        addParticipants(6, 8);
        fAcak->FormActivate(fAcak);
        QPushButton* reload = DrawFixture::button("btn_muatUlang");
        QVERIFY(reload->isVisible());
        const int before = static_cast<int>(f.db().journal().size());
        TestApplication::clear();

        DrawFixture::click("btn_muatUlang");
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Daftar peserta telah dimuat ulang: 8 peserta dalam undian.")});
        QVERIFY(!reload->isVisible());
        QVERIFY(!fAcak->lbl_daftar->isVisible());
        const auto entries = f.db().journal();
        QCOMPARE(static_cast<int>(entries.size()), before + 1);
        QCOMPARE(entries.last().first, QStringLiteral("list_reloaded"));
        const QJsonObject list = entries.last().second;
        QCOMPARE(list.value("participants").toInt(), 8);
        QCOMPARE(list.value("fingerprint").toString().toStdString(),
                 record::Fingerprint::ofTable(DTModule->cn, "tb_peserta").sha256);
        QCOMPARE(list.value("list_read_after").toInt(), before);
        QCOMPARE(list.value("run").toInt(), 2);
        QVERIFY(fPenonton->shownTexts().contains(QStringLiteral("8 peserta")));
        QTRY_VERIFY(fPenonton->shownTexts().contains(QStringLiteral("Sidik daftar ") + shortFingerprint()));
        DrawFixture::click("BitBtn8");
        const QString about = TestApplication::texts(Kind::Plain).value(0);
        QVERIFY2(about.contains(QStringLiteral(": 8\n")) && about.contains(shortFingerprint()), qPrintable(about));

        // The draw picks among the eight, and says so in its stop.
        DrawFixture::click("btn_acak");
        QSet<QString> seen;
        for (int i = 0; i < 400; ++i) {
            tick();
            seen.insert(fAcak->Edit1->text());
        }
        DrawFixture::click("btn_stop");
        QCOMPARE(seen.size(), 8);
        for (int id = 6; id <= 8; ++id)
            QVERIFY(seen.contains(QStringLiteral("D%1").arg(id)));
        QCOMPARE(f.db().journal().last().second.value("n").toInt(), 8);

        const auto check = record::Verification::of(f.db().path());
        QCOMPARE(check.exitCode(), 0);
        QVERIFY2(check.text().contains(QStringLiteral(": list reloaded: 8 participants, fingerprint ") +
                                       list.value("fingerprint").toString() + QLatin1Char('\n')),
                 qPrintable(check.text()));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // Not while the shuffle runs or a winner is drawn or shown and not yet saved: that round belongs to the list it
    // was drawn from. Once it is saved or cleared, the list is read again.
    void reloadWaitsForTheRound_data() {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QString>("refusal");
        const QString shuffling = QStringLiteral(
            "Pengacakan sedang berjalan. Tekan Stop dan selesaikan undian ini dulu, lalu muat ulang daftar.");
        const QString unsaved =
            QStringLiteral("Pemenang belum disimpan. Simpan atau batalkan dulu, lalu muat ulang daftar.");
        QTest::newRow("shuffling") << "acak" << shuffling;
        QTest::newRow("stopped") << "acak; stop" << unsaved;
        QTest::newRow("shown") << "acak; stop; tampilkan" << unsaved;
        QTest::newRow("saved") << "acak; stop; tampilkan; simpan" << QString();
        QTest::newRow("cleared") << "acak; stop; tampilkan; batal" << QString();
    }

    void reloadWaitsForTheRound() {
        QFETCH(QString, presses);
        QFETCH(QString, refusal);
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        const QMap<QString, const char*> buttons{{"acak", "btn_acak"},
                                                 {"stop", "btn_stop"},
                                                 {"tampilkan", "BitBtn4"},
                                                 {"simpan", "BitBtn2"},
                                                 {"batal", "BitBtn3"}};
        for (const QString& press : presses.split(QStringLiteral("; "))) {
            DrawFixture::click(buttons.value(press));
            if (press == QLatin1String("acak")) tick();
        }
        addParticipants(6, 6);
        fAcak->FormActivate(fAcak);
        TestApplication::clear();
        DrawFixture::click("btn_muatUlang");
        const bool refused = !refusal.isEmpty();
        QCOMPARE(TestApplication::texts(Kind::Information).value(0),
                 refused ? refusal : QStringLiteral("Daftar peserta telah dimuat ulang: 6 peserta dalam undian."));
        QCOMPARE(kinds(f.db()).contains(QStringLiteral("list_reloaded")), !refused);
        QCOMPARE(fAcak->ADOTable1.recordCount(), std::size_t(refused ? 5 : 6));
        QCOMPARE(DrawFixture::button("btn_muatUlang")->isVisible(), refused);
    }

    // A list empty at start-up: "Acak" says there is no one to draw; once participants are added, the list is read
    // again without a restart and drawn from.
    void emptyListFilledAndReloaded() {
        DrawFixture f;
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Information).size(), 1);
        QVERIFY(TestApplication::texts(Kind::Information)
                    .first()
                    .startsWith(QStringLiteral("Tidak ada peserta yang dapat diundi.")));
        QVERIFY(!fAcak->Timer2->enabled());
        addParticipants(1, 3);
        fAcak->FormActivate(fAcak);
        DrawFixture::click("btn_muatUlang");
        const QString number = drawOne();
        QVERIFY(QStringList({"D1", "D2", "D3"}).contains(number));
        QCOMPARE(f.db().journal().at(f.db().journal().size() - 2).second.value("n").toInt(), 3);
        QCOMPARE(record::Verification::of(f.db().path()).exitCode(), 0);
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // "Muat Ulang Daftar" pressed by keyboard hides itself: the keyboard goes to "Acak", the next thing to do, so the
    // operator's next Space starts the draw rather than pressing "Keluar" and ending the program.
    void reloadByKeyboardLeavesItOnAcak() {
        DrawFixture f;
        addParticipants(1, 3);
        fAcak->FormActivate(fAcak);
        QPushButton* reload = DrawFixture::button("btn_muatUlang");
        reload->setFocus();
        QTest::keyClick(reload, Qt::Key_Space);
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Daftar peserta telah dimuat ulang: 3 peserta dalam undian.")});
        QCOMPARE(QApplication::focusWidget(), DrawFixture::button("btn_acak"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(fAcak->isVisible());
        QVERIFY(fAcak->Timer2->enabled());
        QCOMPARE(QApplication::focusWidget(), DrawFixture::button("btn_stop"));
    }
};

TOMBOLIKA_QTEST_MAIN_ON_EACH_STORE(DrawRecordTest)
#include "DrawRecordTest.moc"
