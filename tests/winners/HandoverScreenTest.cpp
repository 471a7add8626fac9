#include "core/record/Verification.h"
#include "data/uData.h"
#include "draw/uPenonton.h"
#include "plan/uHadiah.h"
#include "platform/sheets/WorkbookReader.h"
#include "platform/ui/ChoiceDialog.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DatedChoiceDialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "tests/draw/DrawFixture.h"
#include "tests/support/FocusWalk.h"
#include "winners/uPemenang.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Kind = ui::MessageBox::Kind;
using Answer = ui::DatedChoiceDialog::Answer;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// The plan imported as the plan's screen imports it, and the draw screen active again.
void usePlan(const QByteArray& csv) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hadiah.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(csv);
    file.close();
    const auto imported = DTModule->session.plan().importFrom(path.toStdString());
    if (!imported.refusal.isEmpty()) qFatal("plan refused: %s", qPrintable(imported.refusal));
    fAcak->FormActivate(fAcak);
}

// A round of the plan drawn and saved, and the winners screen shown ("Lihat Pemenang").
void drawSaveAndShowWinners() {
    DrawFixture::click("btn_acak");
    emit fAcak->Timer2->timeout();
    DrawFixture::click("btn_stop");
    DrawFixture::click("BitBtn2");
    DrawFixture::click("BitBtn6");
}

QPushButton* winnersButton(const char* name) {
    return fPemenang->findChild<QPushButton*>(QLatin1String(name));
}

QString handoverCell(int row) {
    auto* model = fPemenang->DBGrid1->model();
    return model->index(row, 3).data().toString();
}

} // namespace

// With a prize plan the winners screen keeps the handover of each prize, exports the winners as a workbook and
// writes the prize report; the plan's screen keeps the event's name, which the audience screen shows.
class HandoverScreenTest : public QObject {
    Q_OBJECT

private slots:
    void init() { TestApplication::clear(); }

    // The second row of buttons, each below its kin, all within the window and the keyboard's reach; the grid's
    // handover column after the table's own.
    void winnersScreenWithAPlan() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(20);
            db.exec("INSERT INTO tb_pemenang VALUES('X1','Tamu','Kipas')");
        });
        usePlan("Hadiah,Jumlah,Per putaran\nTelevisi,3,3\n");
        drawSaveAndShowWinners();
        QAbstractItemModelTester tester(fPemenang->DBGrid1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(fPemenang->size(), QSize(538, 692));
        struct Expected {
            const char* name;
            const char* caption;
            QRect geometry;
        };
        const Expected second[] = {{"BitBtn5", "Tidak Hadir", {16, 646, 97, 33}},
                                   {"BitBtn6", "Export .xlsx", {120, 646, 97, 33}},
                                   {"BitBtn7", "Laporan Hadiah", {224, 646, 97, 33}},
                                   {"BitBtn8", "Serah Terima", {328, 646, 97, 33}}};
        const QList<QWidget*> firstRow{winnersButton("BitBtn1"), winnersButton("BitBtn2"), winnersButton("BitBtn3"),
                                       winnersButton("BitBtn4"), fPemenang->CheckBox1,     fPemenang->DBGrid1};
        for (const Expected& e : second) {
            QPushButton* button = winnersButton(e.name);
            QVERIFY2(button && button->isVisible(), e.name);
            QCOMPARE(button->text(), QLatin1String(e.caption));
            QCOMPARE(button->geometry(), e.geometry);
            QVERIFY(fPemenang->rect().contains(button->geometry()));
            QVERIFY2(button->sizeHint().width() <= button->width(), e.name);
            for (QWidget* other : firstRow)
                QVERIFY2(!button->geometry().intersects(other->geometry()), qPrintable(other->objectName()));
        }
        fPemenang->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fPemenang));
        fPemenang->DBGrid1->setFocus();
        QCOMPARE(focusWalk(fPemenang->DBGrid1), (QStringList{"DBGrid1", "BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4",
                                                             "CheckBox1", "BitBtn5", "BitBtn6", "BitBtn7", "BitBtn8"}));

        auto* model = fPemenang->DBGrid1->model();
        QCOMPARE(model->columnCount(), 4);
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("serah_terima"));
        QVERIFY(!(model->flags(model->index(0, 3)) & Qt::ItemIsEditable));
        for (int row = 0; row < 4; ++row)
            QCOMPARE(handoverCell(row), QStringLiteral("belum diserahkan"));
        fPemenang->close();

        // Without a plan the screen is as it always was: the new buttons and the column go with the plan.
        DTModule->session.connection().exec("DELETE FROM tb_pemenang_hadiah");
        DTModule->session.connection().exec("DELETE FROM tb_hadiah");
        fAcak->FormActivate(fAcak);
        DrawFixture::click("BitBtn6");
        QCOMPARE(fPemenang->size(), QSize(538, 662));
        QCOMPARE(model->columnCount(), 3);
        for (const Expected& e : second)
            QVERIFY2(!winnersButton(e.name)->isVisible(), e.name);
    }

    // "Serah Terima" asks what became of the current winner's prize, the state standing first and today offered; the
    // answer is stored and shown in the column at once. A double click on the column does the same; a winner typed in
    // without the plan has a handover too; a winner whose prize was handed over does not forfeit it.
    void handoverChanged() {
        DrawFixture f([](TestDatabase& db) {
            db.addParticipants(20);
            db.exec("INSERT INTO tb_pemenang VALUES('X1','Tamu','Kipas')");
        });
        usePlan("Hadiah,Jumlah,Per putaran\nTelevisi,3,3\n");
        drawSaveAndShowWinners();
        auto& cursor = fPemenang->ADOTable1;
        cursor.moveTo(1);
        const QDate day = QDate::currentDate().addDays(-1);
        ui::DatedChoiceDialog::setNextAnswer(Answer{1, day});
        QTest::mouseClick(winnersButton("BitBtn8"), Qt::LeftButton);
        const auto& asked = ui::DatedChoiceDialog::asked();
        QVERIFY(asked);
        QCOMPARE(asked->title, QStringLiteral("Serah Terima"));
        QCOMPARE(asked->text,
                 QStringLiteral("Hadiah Televisi untuk %1 (%2):")
                     .arg(QString::fromStdString(cursor.fieldText(1)), QString::fromStdString(cursor.fieldText(0))));
        QCOMPARE(asked->choices, (QStringList{QStringLiteral("belum diserahkan"), QStringLiteral("diserahkan"),
                                              QStringLiteral("tidak diambil")}));
        QCOMPARE(asked->chosen, 0);
        QCOMPARE(asked->dated, 1);
        QCOMPARE(asked->latest, QDate::currentDate());
        const QString shown = QStringLiteral("diserahkan ") + day.toString(QStringLiteral("dd-MM-yyyy"));
        QCOMPARE(handoverCell(1), shown);
        QCOMPARE(f.db().rows("SELECT pemenang, status, tanggal FROM tb_serah_terima"),
                 (Rows{{"2", "diserahkan", day.toString(Qt::ISODate).toStdString()}}));

        // Asked again, the state and its day stand first.
        ui::DatedChoiceDialog::setNextAnswer(std::nullopt);
        QTest::mouseClick(winnersButton("BitBtn8"), Qt::LeftButton);
        QCOMPARE(ui::DatedChoiceDialog::asked()->chosen, 1);
        QCOMPARE(ui::DatedChoiceDialog::asked()->date, day);

        // The winner typed in long ago, by a double click on its handover.
        auto* grid = fPemenang->DBGrid1;
        const QRect cell = grid->visualRect(grid->model()->index(0, 3));
        ui::DatedChoiceDialog::setNextAnswer(Answer{2, {}});
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(handoverCell(0), QStringLiteral("tidak diambil"));
        QCOMPARE(f.db().count("tb_serah_terima"), 2LL);

        // The prize handed over stays with its winner.
        cursor.moveTo(1);
        ui::ChoiceDialog::setNextAnswer(QStringLiteral("menolak hadiah"));
        QTest::mouseClick(winnersButton("BitBtn5"), Qt::LeftButton);
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QStringLiteral("sudah diserahkan")), qPrintable(errors[0]));
        QCOMPARE(f.db().count("tb_pemenang"), 4LL);
        const auto check = record::Verification::of(f.db().path());
        QVERIFY2(check.exitCode() == 0, qPrintable(check.text()));
    }

    // "Export .xlsx" writes the workbook under a dated name; "Laporan Hadiah" the prize report as a PDF.
    void exportsAndReport() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(20); });
        usePlan("Hadiah,Jumlah,Per putaran\nTelevisi,3,3\nMobil,1,1\n");
        drawSaveAndShowWinners();
        QTemporaryDir out;
        ui::FileDialog::setNextFileName(QString());
        QTest::mouseClick(winnersButton("BitBtn6"), Qt::LeftButton);
        QVERIFY(ui::FileDialog::offered().name.startsWith(QStringLiteral("pemenang-")));
        QVERIFY(ui::FileDialog::offered().name.endsWith(QStringLiteral(".xlsx")));
        QCOMPARE(ui::FileDialog::offered().filter, QStringLiteral("Excel Workbook (*.xlsx)"));

        const QString book = out.filePath(QStringLiteral("pemenang.xlsx"));
        ui::FileDialog::setNextFileName(book);
        QTest::mouseClick(winnersButton("BitBtn6"), Qt::LeftButton);
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Export Data Pemenang Sukses")});
        const auto reader = sheets::WorkbookReader::open(book.toStdString());
        std::vector<sheets::Cell> cells;
        int rows = 0;
        while (reader->nextRow(cells))
            ++rows;
        QCOMPARE(rows, 4); // the heading and three winners

        TestApplication::clear();
        const QString report = out.filePath(QStringLiteral("laporan.pdf"));
        ui::FileDialog::setNextFileName(report);
        QTest::mouseClick(winnersButton("BitBtn7"), Qt::LeftButton);
        QVERIFY(ui::FileDialog::offered().name.startsWith(QStringLiteral("laporan-hadiah-")));
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Laporan Hadiah telah disimpan")});
        QFile pdf(report);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }

    // "Nama acara" on the plan's screen: stored when the operator leaves it or presses Enter, journaled, shown on the
    // audience screen's header; a name cleared leaves the header to the banner alone.
    void eventName() {
        DrawFixture f([](TestDatabase& db) { db.addParticipants(5); });
        DrawFixture::click("btn_daftarHadiah");
        QLineEdit* name = fHadiah->Edit1;
        QVERIFY(name->isVisible());
        QCOMPARE(name->accessibleName(), QStringLiteral("Nama acara"));
        QVERIFY(!name->geometry().intersects(fHadiah->DBGrid1->geometry()));
        QCOMPARE(name->maxLength(), 100);
        fHadiah->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fHadiah));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Gebyar  Undian HUT"));
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(f.db().rows("SELECT nama_acara FROM tb_acara"), (Rows{{"Gebyar Undian HUT"}}));
        QCOMPARE(name->text(), QStringLiteral("Gebyar Undian HUT"));
        QTRY_VERIFY(fPenonton->shownTexts().join(QLatin1Char(' ')).contains(QStringLiteral("Gebyar Undian HUT")));

        // Closed while typing: stored as leaving the box would.
        name->setText(QStringLiteral("Gebyar Undian HUT ke-50"));
        fHadiah->close();
        QCOMPARE(f.db().rows("SELECT nama_acara FROM tb_acara"), (Rows{{"Gebyar Undian HUT ke-50"}}));
        int named = 0;
        for (const auto& [kind, details] : f.db().journal())
            named += kind == QLatin1String("event_named");
        QCOMPARE(named, 2);

        DrawFixture::click("btn_daftarHadiah");
        QCOMPARE(fHadiah->Edit1->text(), QStringLiteral("Gebyar Undian HUT ke-50"));
        fHadiah->Edit1->clear();
        emit fHadiah->Edit1->editingFinished();
        QTRY_VERIFY(!fPenonton->shownTexts().join(QLatin1Char(' ')).contains(QStringLiteral("Gebyar")));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    }
};

QTEST_MAIN(HandoverScreenTest)
#include "HandoverScreenTest.moc"
