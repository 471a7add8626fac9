#include "core/Session.h"
#include "core/minutes/Minutes.h"
#include "core/record/Verification.h"
#include "data/uData.h"
#include "draw/uPenonton.h"
#include "plan/uHadiah.h"
#include "platform/Error.h"
#include "platform/ui/ChoiceDialog.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"
#include "winners/uPemenang.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using Kind = ui::MessageBox::Kind;
using Stage = TfPenonton::Stage;

namespace {

const QString kSaved = QStringLiteral("Data Sudah Disimpan");
// The event the plan was made for: 44 prizes, drawn as 1, 1, 5 and 10 a round.
const char kEvent[] = "Hadiah,Jumlah,Per putaran\nMobil,1,1\nMotor,3,1\nTelevisi,10,5\nVoucher,30,10\n";

void tick() {
    emit fAcak->Timer2->timeout();
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

// The plan imported as the plan's screen imports it, and the draw screen active again.
void usePlan(const QByteArray& csv) {
    QTemporaryDir dir;
    const auto imported = DTModule->session.plan().importFrom(writeFile(dir, "hadiah.csv", csv).toStdString());
    if (!imported.refusal.isEmpty()) qFatal("plan refused: %s", qPrintable(imported.refusal));
    fAcak->FormActivate(fAcak);
}

QString line() {
    return fAcak->lbl_putaran->text();
}

// "Acak", a tick, "Stop": the draw screen's three clicks before "&Simpan".
void drawRound() {
    DrawFixture::click("btn_acak");
    tick();
    DrawFixture::click("btn_stop");
}

// The direct controls of the draw screen shown now, but the logo beneath them all.
QList<QWidget*> shownControls() {
    QList<QWidget*> shown;
    for (QWidget* control : fAcak->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control->isVisible() && control != fAcak->Image1) shown << control;
    return shown;
}

// No two controls shown lie over each other, but "Acak" over "Stop", which share their place by design.
void verifyNoOverlap() {
    const QList<QWidget*> shown = shownControls();
    const auto sharing = [](QWidget* a, QWidget* b) {
        return (a == fAcak->btn_acak && b == fAcak->btn_stop) || (a == fAcak->btn_stop && b == fAcak->btn_acak);
    };
    for (qsizetype i = 0; i < shown.size(); ++i)
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            const bool apart = !shown[i]->geometry().intersects(shown[j]->geometry()) || sharing(shown[i], shown[j]);
            QVERIFY2(apart, qPrintable(shown[i]->objectName() + QLatin1Char('/') + shown[j]->objectName()));
        }
}

} // namespace

// The draw screen, the plan's screen and the winners screen with a prize plan; and without one, the draw screen as
// it always was but for its "Daftar Hadiah" button.
class PlanDrawTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ui::ChoiceDialog::setNextAnswer(QStringLiteral("tidak hadir")); }

    void withoutAPlanOnlyTheButtonIsNew() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        QPushButton* plan = DrawFixture::button("btn_daftarHadiah");
        QVERIFY(plan && plan->isVisible());
        QCOMPARE(plan->text(), QStringLiteral("Daftar Hadiah"));
        QCOMPARE(plan->geometry(), QRect(716, 640, 129, 65)); // between "About" and "Keluar", their size
        for (const char* hidden : {"lbl_putaran", "cb_hadiah", "lst_putaran", "btn_tidakHadir"})
            QVERIFY2(!fAcak->findChild<QWidget*>(QLatin1String(hidden))->isVisible(), hidden);
        QVERIFY(fAcak->BitBtn4->isVisible());
        QVERIFY(!fAcak->ed_hadiah->isReadOnly());
        verifyNoOverlap();
        drawRound();
        DrawFixture::click("BitBtn4");
        QTest::keyClicks(fAcak->ed_hadiah, QStringLiteral("Kipas"));
        DrawFixture::click("BitBtn2");
        QCOMPARE(f.db().rows("SELECT hadiah FROM tb_pemenang"), (std::vector<std::vector<std::string>>{{"Kipas"}}));
        QCOMPARE(f.db().rows("SELECT count(*) FROM sqlite_master WHERE name='tb_hadiah'")[0][0], std::string("0"));
    }

    // The current prize is filled in, not typed; its line says how far it is drawn and how many the next round
    // draws; PageUp, PageDown and the selector turn to another prize with a slot open.
    void planLineAndSelector() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(60); });
        usePlan(kEvent);
        QVERIFY(fAcak->lbl_putaran->isVisible());
        QCOMPARE(line(), QStringLiteral("Mobil: 0 dari 1 pemenang, putaran 1 pemenang"));
        QCOMPARE(fAcak->ed_hadiah->text(), QStringLiteral("Mobil"));
        QVERIFY(fAcak->ed_hadiah->isReadOnly());
        QVERIFY(!fAcak->BitBtn4->isVisible()); // "Stop" shows the round
        QVERIFY(fAcak->btn_tidakHadir->isVisible() && !fAcak->btn_tidakHadir->isEnabled());
        QCOMPARE(fAcak->cb_hadiah->count(), 4);
        QCOMPARE(fAcak->cb_hadiah->itemText(2), QStringLiteral("Televisi (0/10)"));
        QVERIFY(fAcak->lbl_putaran->fontMetrics().horizontalAdvance(line()) <= fAcak->lbl_putaran->width());

        QTest::keyClick(fAcak, Qt::Key_PageDown);
        QCOMPARE(line(), QStringLiteral("Motor: 0 dari 3 pemenang, putaran 1 pemenang"));
        fAcak->cb_hadiah->setCurrentIndex(3);
        emit fAcak->cb_hadiah->activated(3);
        QCOMPARE(line(), QStringLiteral("Voucher: 0 dari 30 pemenang, putaran 10 pemenang"));
        QCOMPARE(fAcak->ed_hadiah->text(), QStringLiteral("Voucher"));
        QTest::keyClick(fAcak, Qt::Key_PageUp);
        QCOMPARE(line(), QStringLiteral("Televisi: 0 dari 10 pemenang, putaran 5 pemenang"));
        verifyNoOverlap();
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // A round of one: "Acak", "Stop" and "&Simpan", with nothing typed. "Stop" shows the winner as "Tampilkan"
    // did, and the keyboard is on "&Simpan".
    void roundOfOneInThreeClicks() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(60); });
        usePlan(kEvent);
        drawRound();
        const QString number = fAcak->ed_msisdn->text();
        QVERIFY(number.startsWith(QLatin1Char('D')));
        QCOMPARE(fAcak->Edit1->text(), number);
        QCOMPARE(DrawFixture::memo()->toPlainText(), QStringLiteral("Nama ") + number.mid(1));
        QCOMPARE(fAcak->Edit2->text(), QStringLiteral("08") + number.mid(1));
        QCOMPARE(fAcak->ed_hadiah->text(), QStringLiteral("Mobil"));
        QVERIFY(!fAcak->lst_putaran->isVisible());
        QCOMPARE(QApplication::focusWidget(), fAcak->BitBtn2);
        TestApplication::clear();
        QTest::keyClick(fAcak->BitBtn2, Qt::Key_Return);
        QCOMPARE(TestApplication::shown().size(), 1);
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{kSaved});
        QCOMPARE(f.db().rows("SELECT * FROM tb_pemenang"),
                 (std::vector<std::vector<std::string>>{
                     {number.toStdString(), "Nama " + number.mid(1).toStdString(), "Mobil"}}));
        QCOMPARE(line(), QStringLiteral("Motor: 0 dari 3 pemenang, putaran 1 pemenang"));
        QCOMPARE(QApplication::focusWidget(), fAcak->btn_acak);
    }

    // A round of several: listed in the draw panel under its accessible name, the display saying how many; one
    // "&Simpan" stores them all with one message.
    void roundOfTenIsListedAndSavedAtOnce() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(60); });
        usePlan(kEvent);
        fAcak->turnPrize(1);
        fAcak->turnPrize(1);
        fAcak->turnPrize(1);
        drawRound();
        QTreeWidget* list = fAcak->lst_putaran;
        QVERIFY(list->isVisible());
        QCOMPARE(list->topLevelItemCount(), 10);
        QCOMPARE(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name),
                 QStringLiteral("Pemenang putaran ini"));
        QCOMPARE(fAcak->Edit1->text(), QStringLiteral("10 PEMENANG"));
        QCOMPARE(list->topLevelItem(9)->text(0), QStringLiteral("10"));
        QSet<QString> numbers;
        for (int i = 0; i < 10; ++i)
            numbers.insert(list->topLevelItem(i)->text(1));
        QCOMPARE(numbers.size(), 10);
        verifyNoOverlap();
        QCOMPARE(fPenonton->stage(), Stage::Round);
        QCOMPARE(fPenonton->roundCells().size(), 10);

        TestApplication::clear();
        DrawFixture::click("BitBtn2");
        QCOMPARE(TestApplication::texts(Kind::Information), QStringList{kSaved});
        QCOMPARE(f.db().count("tb_pemenang"), 10);
        QCOMPARE(f.db().count("tb_pemenang_hadiah"), 10);
        QCOMPARE(line(), QStringLiteral("Voucher: 10 dari 30 pemenang, putaran 10 pemenang"));
        QCOMPARE(fPenonton->stage(), Stage::RoundSaved);
        QVERIFY(fPenonton->shownTexts().contains(TfPenonton::WinnerMark));
    }

    // "Tidak Hadir" for the winner chosen in the list of a round not yet saved, and for one of a round saved: the
    // reason is asked, the winner is marked on both screens, and the prize keeps the slot for its next round.
    void absentWinners() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(60); });
        usePlan(kEvent);
        fAcak->cb_hadiah->setCurrentIndex(3);
        emit fAcak->cb_hadiah->activated(3);
        drawRound();
        TestApplication::clear();
        DrawFixture::click("btn_tidakHadir");
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Pilih dulu pemenang yang tidak hadir di daftar pemenang putaran ini.")});
        QTreeWidget* list = fAcak->lst_putaran;
        list->setCurrentItem(list->topLevelItem(2));
        const QString absent = list->topLevelItem(2)->text(1);
        ui::ChoiceDialog::setNextAnswer(QStringLiteral("tidak hadir"));
        DrawFixture::click("btn_tidakHadir");
        QCOMPARE(ui::ChoiceDialog::asked()->choices,
                 (QStringList{QStringLiteral("tidak hadir"), QStringLiteral("tidak memenuhi syarat"),
                              QStringLiteral("menolak hadiah")}));
        QVERIFY(list->topLevelItem(2)->text(2).endsWith(QStringLiteral(" - TIDAK HADIR")));
        QVERIFY(fPenonton->shownTexts().contains(TfPenonton::ForfeitMark));
        QCOMPARE(line(), QStringLiteral("Voucher: 0 dari 30 pemenang, putaran 9 pemenang"));
        ui::ChoiceDialog::setNextAnswer(std::nullopt); // cancelled: nothing happens
        list->setCurrentItem(list->topLevelItem(4));
        DrawFixture::click("btn_tidakHadir");
        DrawFixture::click("BitBtn2");
        QCOMPARE(f.db().count("tb_pemenang"), 9);
        QCOMPARE(f.db().rows("SELECT no_undian, alasan, pemenang FROM tb_tidak_hadir"),
                 (std::vector<std::vector<std::string>>{{absent.toStdString(), "tidak hadir", "<null>"}}));

        // A saved winner of the round still shown.
        list->setCurrentItem(list->topLevelItem(0));
        ui::ChoiceDialog::setNextAnswer(QStringLiteral("menolak hadiah"));
        DrawFixture::click("btn_tidakHadir");
        QCOMPARE(f.db().count("tb_pemenang"), 8);
        QCOMPARE(line(), QStringLiteral("Voucher: 8 dari 30 pemenang, putaran 10 pemenang"));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // "Acak" says why it will not start: a round not saved or cancelled, or every prize drawn.
    void acakRefusals() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(10); });
        usePlan("Hadiah,Jumlah\nMobil,1\n");
        drawRound();
        TestApplication::clear();
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Putaran ini belum disimpan. Tekan Simpan untuk menyimpannya atau Batal "
                                            "untuk membatalkannya, lalu Acak lagi.")});
        QVERIFY(!fAcak->Timer2->enabled());
        DrawFixture::click("BitBtn2");
        TestApplication::clear();
        DrawFixture::click("btn_acak");
        QCOMPARE(TestApplication::texts(Kind::Information),
                 QStringList{QStringLiteral("Semua hadiah sudah diundi: tidak ada lagi tempat pemenang yang kosong di "
                                            "Daftar Hadiah.")});
        QCOMPARE(line(), QStringLiteral("Semua hadiah sudah diundi"));
    }

    // "Daftar Hadiah" opens the plan's screen: the plan in a grid with each prize's winners so far beside it (read
    // only), typed into like the participants' table and checked by the plan's rules, and "Import".
    void planScreen() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        DrawFixture::click("btn_daftarHadiah");
        QVERIFY(fHadiah->isVisible());
        QCOMPARE(fHadiah->windowTitle(), QStringLiteral("DAFTAR HADIAH"));
        ui::DBGrid* grid = fHadiah->DBGrid1;
        QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList titles;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"urut", "hadiah", "jumlah", "per_putaran", "terundi"}));

        // A prize typed in: the draw takes it as its plan.
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        grid->model()->setData(grid->model()->index(0, 1), QStringLiteral("Kulkas"));
        grid->model()->setData(grid->model()->index(0, 2), QStringLiteral("2"));
        fHadiah->ADOTable1.post();
        QTRY_COMPARE(line(), QStringLiteral("Kulkas: 0 dari 2 pemenang, putaran 1 pemenang"));
        QCOMPARE(grid->model()->data(grid->model()->index(0, 4)).toString(), QStringLiteral("0"));
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, 4)) & Qt::ItemIsEditable));

        fHadiah->close();
        drawRound();
        DrawFixture::click("BitBtn2");
        DrawFixture::click("btn_daftarHadiah");
        QTRY_COMPARE(grid->model()->data(grid->model()->index(0, 4)).toString(), QStringLiteral("1"));
        // Below the winners drawn: refused in the operator's words, the row as it was.
        TestApplication::clear();
        fHadiah->ADOTable1.edit();
        fHadiah->ADOTable1.setFieldText("jumlah", "0");
        QVERIFY_THROWS_EXCEPTION(platform::Error, fHadiah->ADOTable1.post());
        fHadiah->ADOTable1.cancel();

        // Import: asked before the plan there is replaced; a bad file is refused naming its row.
        QTemporaryDir dir;
        ui::FileDialog::setNextFileName(writeFile(dir, "hadiah.csv", kEvent));
        TestApplication::clear();
        QTest::mouseClick(fHadiah->BitBtn1, Qt::LeftButton);
        QCOMPARE(TestApplication::texts(Kind::Plain),
                 QStringList{QStringLiteral("Daftar hadiah tidak diimport.\nDaftar hadiah sudah dipakai mengundi (1 "
                                            "pemenang dan tidak hadir): ubah hadiahnya lewat tabel, bukan dengan "
                                            "Import.")});
    }

    void planScreenImport() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        usePlan("Hadiah,Jumlah\nKipas,2\n");
        DrawFixture::click("btn_daftarHadiah");
        QTemporaryDir dir;
        ui::FileDialog::setNextFileName(writeFile(dir, "rusak.csv", "Hadiah,Jumlah\nTV,2\nRadio,nol\n"));
        TestApplication::clear();
        QTest::mouseClick(fHadiah->BitBtn1, Qt::LeftButton);
        QCOMPARE(TestApplication::shown().size(), 2);
        QCOMPARE(TestApplication::shown()[0].kind, Kind::Question);
        QCOMPARE(TestApplication::shown()[0].text,
                 QStringLiteral("Ganti daftar hadiah yang ada (1 hadiah) dengan isi file ini?"));
        QCOMPARE(TestApplication::shown()[1].text,
                 QStringLiteral("Daftar hadiah tidak diimport.\nBaris 3: jumlah pemenang \"nol\" bukan bilangan "
                                "bulat."));
        ui::FileDialog::setNextFileName(writeFile(dir, "hadiah.csv", kEvent));
        TestApplication::clear();
        QTest::mouseClick(fHadiah->BitBtn1, Qt::LeftButton);
        QCOMPARE(TestApplication::texts(Kind::Plain),
                 QStringList{QStringLiteral("Daftar hadiah telah diimport: 4 hadiah, 44 pemenang.")});
        QCOMPARE(fHadiah->ADOTable1.recordCount(), std::size_t(4));
        QTRY_COMPARE(line(), QStringLiteral("Mobil: 0 dari 1 pemenang, putaran 1 pemenang"));
    }

    // The event of 44 prizes (1 car, 3 motorbikes, 10 televisions, 30 vouchers) drawn 1, 1, 5 and 10 a round: nine
    // rounds of "Acak", "Stop", "&Simpan" and the message's OK, nothing typed. A winner found absent afterwards costs
    // a click on the list, "Tidak Hadir" and the reason's OK, and one round more to fill the slot.
    void fortyFourPrizeEvent() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(500); });
        usePlan(kEvent);
        int actions = 0;
        const auto press = [&](const char* button) {
            DrawFixture::click(button);
            ++actions;
        };
        const auto round = [&] {
            press("btn_acak");
            tick();
            press("btn_stop");
            TestApplication::clear();
            press("BitBtn2");
            QCOMPARE(TestApplication::texts(Kind::Information), QStringList{kSaved});
            ++actions; // the message's OK
        };
        int rounds = 0;
        while (DTModule->session.draw().currentPrize() && rounds < 20) {
            round();
            ++rounds;
        }
        QCOMPARE(rounds, 9);
        QCOMPARE(actions, 36);
        QCOMPARE(f.db().count("tb_pemenang"), 44);
        QCOMPARE(line(), QStringLiteral("Semua hadiah sudah diundi"));

        const int before = actions;
        fAcak->lst_putaran->setCurrentItem(fAcak->lst_putaran->topLevelItem(3));
        ++actions; // the click on the list
        ui::ChoiceDialog::setNextAnswer(core::PrizePlan::reasons().front());
        press("btn_tidakHadir");
        ++actions; // the reason's OK
        QCOMPARE(line(), QStringLiteral("Voucher: 29 dari 30 pemenang, putaran 1 pemenang"));
        round();
        QCOMPARE(actions - before, 7);
        QCOMPARE(f.db().count("tb_pemenang"), 44);
        QCOMPARE(f.db().count("tb_tidak_hadir"), 1);
        const auto check = record::Verification::of(f.db().path());
        QVERIFY2(check.exitCode() == 0, qPrintable(check.text()));
        if (const QByteArray folder = qgetenv("TOMBOLIKA_PICTURES"); !folder.isEmpty())
            Minutes::writePdf(check, Minutes::headerNow(),
                              QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("plan-minutes.pdf")));
    }

    // "Tidak Hadir" on the winners screen, a row of buttons below the others, shown with a plan only: a winner of the
    // plan leaves the list and the slot opens again; another winner is left to "Delete".
    void winnersScreenForfeit() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(20);
            db.exec("INSERT INTO tb_pemenang VALUES('X1','Tamu','Kipas')");
        });
        usePlan("Hadiah,Jumlah,Per putaran\nTelevisi,3,3\n");
        drawRound();
        DrawFixture::click("BitBtn2");
        DrawFixture::click("BitBtn6"); // "Lihat Pemenang"
        QVERIFY(fPemenang->BitBtn5->isVisible());
        QCOMPARE(fPemenang->BitBtn5->text(), QStringLiteral("Tidak Hadir"));
        QCOMPARE(fPemenang->size(), QSize(538, 692));
        QVERIFY(!fPemenang->BitBtn5->geometry().intersects(fPemenang->BitBtn3->geometry()));
        QVERIFY(fPemenang->rect().contains(fPemenang->BitBtn5->geometry()));

        TestApplication::clear();
        fPemenang->ADOTable1.first(); // the winner typed in long ago
        QTest::mouseClick(fPemenang->BitBtn5, Qt::LeftButton);
        QCOMPARE(TestApplication::texts(Kind::Information).size(), 1);
        QCOMPARE(f.db().count("tb_pemenang"), 4);

        fPemenang->ADOTable1.moveTo(2);
        const QString gone = QString::fromStdString(fPemenang->ADOTable1.fieldText(0));
        ui::ChoiceDialog::setNextAnswer(QStringLiteral("pindah ke luar kota"));
        QTest::mouseClick(fPemenang->BitBtn5, Qt::LeftButton);
        QCOMPARE(fPemenang->ADOTable1.recordCount(), std::size_t(3));
        QCOMPARE(f.db().rows("SELECT no_undian, alasan FROM tb_tidak_hadir"),
                 (std::vector<std::vector<std::string>>{{gone.toStdString(), "pindah ke luar kota"}}));
        QTRY_COMPARE(line(), QStringLiteral("Televisi: 2 dari 3 pemenang, putaran 1 pemenang"));
        fPemenang->close();
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }
};

QTEST_MAIN(PlanDrawTest)
#include "PlanDrawTest.moc"
