// The Upload tab driven as the operator drives it: "Import" with a file picked in the dialog, then "Upload..",
// checked against the preview list, tb_peserta, the grid's cursor and the messages shown.
#include "draw/uAcak.h"
#include "participants/ImportProgress.h"
#include "participants/PreviewModel.h"
#include "participants/uPeserta.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <zip.h>

using Kind = ui::MessageBox::Kind;

namespace {

const QString kRefused = QStringLiteral("Terdapat duplikasi pada nomor urut, silahkan anda cek kembali");

QString fixture(const QString& name) {
    return QStringLiteral(TOMBOLIKA_TEST_DATA "/sheets/") + name;
}

// The success message: the file, then the participants stored on a line of their own.
QString imported(const QString& path, int rows) {
    return path + QStringLiteral(" has been imported!\n%1 peserta disimpan.").arg(rows);
}

// The refusal, with what is wrong where on a line of its own.
QString refused(const QString& reason) {
    return kRefused + QLatin1Char('\n') + reason;
}

QString tooWide(int columns) {
    return QStringLiteral("File ini berisi %1 kolom; tabel peserta hanya 4: nomor urut, nomor undian, nama, nomor "
                          "handphone.")
        .arg(columns);
}

} // namespace

class ImportScreenTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    QTemporaryDir m_dir;

    static TfPeserta& screen() { return *fPeserta; }

    QString write(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    // "Import" with this file picked in the dialog (an empty name cancels it).
    static void importFile(const QString& path) {
        ui::FileDialog::setNextFileName(path);
        QTest::mouseClick(screen().SpeedButton7, Qt::LeftButton);
    }
    static void pressUpload() {
        QVERIFY(screen().SpeedButton6->isEnabled());
        QTest::mouseClick(screen().SpeedButton6, Qt::LeftButton);
    }

    // The preview's items, each as "caption|sub-item|...", items joined by ";".
    static QString listed() {
        QStringList items;
        for (int row = 0; row < screen().ListView1Items->itemCount(); ++row)
            items << screen().ListView1Items->item(row).join(QLatin1Char('|'));
        return items.join(QLatin1Char(';'));
    }
    static QStringList captions() {
        QStringList result;
        for (int row = 0; row < screen().ListView1Items->itemCount(); ++row)
            result << screen().ListView1Items->item(row).first();
        return result;
    }

    static void writeZip(const QString& path, const std::vector<std::pair<const char*, QByteArray>>& parts) {
        int error = 0;
        zip_t* zip = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        QVERIFY(zip);
        for (const auto& [name, content] : parts) {
            zip_source_t* source =
                zip_source_buffer(zip, content.constData(), static_cast<zip_uint64_t>(content.size()), 0);
            QVERIFY(source && zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) >= 0);
        }
        QCOMPARE(zip_close(zip), 0);
    }

    QString storedIds() const {
        QStringList ids;
        for (const auto& row : m_db->rows("SELECT ID FROM tb_peserta ORDER BY rowid"))
            ids << QString::fromStdString(row.at(0));
        return ids.join(QLatin1Char(','));
    }

private slots:
    void init() {
        QApplication::setQuitOnLastWindowClosed(false);
        m_db = std::make_unique<TestDatabase>();
        m_app = std::make_unique<TestApplication>(m_db->directory());
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            screen().ListView1Items, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // "Lihat Peserta" shows the screen with its grid's cursor open; the operator goes to the Upload tab.
        QTest::mouseClick(fAcak->BitBtn7, Qt::LeftButton);
        screen().PageControl1->setCurrentWidget(screen().TabSheet3);
        QVERIFY(QTest::qWaitForWindowExposed(&screen()));
        TestApplication::clear();
    }
    void cleanup() {
        ImportProgress::setShowAfter(300);
        m_modelTester.reset();
        m_app.reset();
        m_db.reset();
    }

    // The dialog shows every kind the readers take at first, opens in the documents folder, and the next time in
    // the folder of the list picked before, with that list selected.
    void dialogOffersSpreadsheets() {
        importFile({});
        QCOMPARE(screen().OpenDialog1.title(), QStringLiteral("Import Data Peserta dari Excel"));
        const QStringList filters = screen().OpenDialog1.nameFilters();
        QCOMPARE(filters.value(0), QStringLiteral("Spreadsheets (*.xls *.xlsx *.ods *.csv)"));
        QVERIFY(filters.contains(QStringLiteral("*.xls")));
        QCOMPARE(ui::FileDialog::offered().filter, filters.value(0));
        QCOMPARE(ui::FileDialog::offered().folder, ui::FileDialog::lastFolder());
        QVERIFY(ui::FileDialog::offered().folder != QDir::currentPath());
        QCOMPARE(ui::FileDialog::offered().name, QString());

        const QString list = write(QStringLiteral("peserta.csv"), "NO\n1\n");
        importFile(list);
        importFile({});
        QCOMPARE(ui::FileDialog::offered().folder, m_dir.path());
        QCOMPARE(ui::FileDialog::offered().name, QStringLiteral("peserta.csv"));
    }

    // Every reader, and the walk: row 2 on, up to the first empty first cell, columns 1 to the last used one.
    void preview_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("firstItem");
        const QStringList seven = {"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("xlsx") << fixture("participants.xlsx") << seven << "1|007|Budi  Santoso|081234567890";
        QTest::newRow("xlsx, shared strings")
            << fixture("participants-shared.xlsx") << seven << "1|007|Budi  Santoso|081234567890";
        QTest::newRow("xls") << fixture("participants.xls") << seven << "1|007|Budi  Santoso|081234567890";
        QTest::newRow("ods") << fixture("participants.ods") << seven << "1|007|Budi  Santoso|081234567890";
        QTest::newRow("xlsx, inline strings")
            << fixture("inline.xlsx") << QStringList{"1", "2"} << "1|0001|Rini  Wulandari\tx|0812";
        QTest::newRow("ID as a formula, xls") << fixture("formulas.xls") << QStringList{"1", "2", "3"} << "";
        QTest::newRow("ID as a formula, xlsx") << fixture("formulas.xlsx") << QStringList{"1", "2", "3"} << "";
        QTest::newRow("gap in column 1: only row 2") << fixture("gap.xlsx") << QStringList{"1"} << "1|11|Citra|0813";
        QTest::newRow("heading only: one empty item") << fixture("heading-only.xlsx") << QStringList{""} << "|||";
        QTest::newRow("Excel 95") << fixture("excel95.xls") << QStringList{"1", "2"}
                                  << QStringLiteral("1|007|José Müller €|0811");
        QTest::newRow("chart sheet first, xls")
            << fixture("chart-sheet-first.xls") << QStringList{"1"} << "1|U-1|Ani|0811";
        QTest::newRow("inline string beside a value")
            << fixture("inline-string-with-value.xlsx") << QStringList{"1."} << "1.|U-1|Ani|0812";
        QTest::newRow("five columns: the fifth kept in the item")
            << fixture("five-columns.xlsx") << QStringList{"1", "2"} << "1|101|Ani|0811|Bandung";
    }
    void preview() {
        QFETCH(QString, file);
        QFETCH(QStringList, captions);
        QFETCH(QString, firstItem);
        importFile(file);
        QCOMPARE(TestApplication::shown().size(), 0);
        QCOMPARE(ImportScreenTest::captions(), captions);
        if (!firstItem.isEmpty()) QCOMPARE(screen().ListView1Items->item(0).join(QLatin1Char('|')), firstItem);
        // Four columns are shown whatever the sheet's width.
        QCOMPARE(screen().ListView1Items->columnCount(), 4);
        QVERIFY(screen().SpeedButton6->isEnabled());
        QCOMPARE(m_db->count("tb_peserta"), 0); // the preview stores nothing
    }

    // 500 employees with an empty row after the 250th: the sheet's rows 2-251, row 252 empty, rows 253-502.
    QByteArray employees(int blankAfter = 250, int total = 500) {
        QByteArray csv("NO,UNDIAN,NAMA,HP\n");
        for (int i = 1; i <= total; ++i) {
            if (i == blankAfter + 1) csv += ",,,\n";
            csv += QByteArray::number(i) + ",EMP-2025-" + QByteArray::number(i) + ",Karyawan " + QByteArray::number(i) +
                   ",0812\n";
        }
        return csv;
    }

    // The preview stops where the list ends, and says under its grid what that leaves out of the sheet; a list
    // that leaves nothing out says nothing, and the next import takes the warning away.
    void previewWarnsWhatTheListLeavesOut_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("warning"); // empty: none shown
        QTest::newRow("a blank row") << employees() << 250
                                     << "Baris 252 kosong: daftar berhenti di sana, 250 baris berisi data setelahnya "
                                        "tidak ikut.";
        QTest::newRow("a row blank in column 1 only")
            << QByteArray("NO,NAMA\n1,Ani\n,Budi\n3,Citra\n4,Dewi\n") << 1
            << "Nomor urut di baris 3 kosong: daftar berhenti di sana, baris itu dan 2 baris berisi data setelahnya "
               "tidak ikut.";
        QTest::newRow("a row blank in column 1 only, last")
            << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n,Citra\n") << 2
            << "Nomor urut di baris 4 kosong: daftar berhenti di sana, baris itu tidak ikut.";
        QTest::newRow("trailing blank rows") << QByteArray("NO,NAMA\n1,Ani\n2,Budi\n,\n,\n\n") << 2 << "";
        QTest::newRow("no blank row") << employees(500) << 500 << "";
    }
    void previewWarnsWhatTheListLeavesOut() {
        QFETCH(QByteArray, csv);
        QFETCH(int, listed);
        QFETCH(QString, warning);
        importFile(write(QStringLiteral("peserta.csv"), csv));
        QCOMPARE(screen().ListView1Items->itemCount(), listed);
        QLabel* label = screen().ListEndWarning;
        QCOMPARE(label->isVisible(), !warning.isEmpty());
        QCOMPARE(label->text(), warning);
        QCOMPARE(TestApplication::shown().size(), 0);
        // Under the grid, beside the buttons, whole.
        if (!warning.isEmpty()) {
            QVERIFY(label->geometry().top() >= screen().ListView1->geometry().bottom());
            QVERIFY(!label->geometry().intersects(screen().SpeedButton6->geometry()));
            QVERIFY(label->heightForWidth(label->width()) <= label->height());
        }
        importFile(write(QStringLiteral("utuh.csv"), "NO\n1\n"));
        QVERIFY(!label->isVisible());
        QCOMPARE(label->text(), QString());
    }

    void previewOfAnUnreadableFile_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("no spreadsheet") << fixture("not-a-spreadsheet.xlsx");
        QTest::newRow("truncated zip") << fixture("truncated.xlsx");
        QTest::newRow("password-protected xls") << fixture("encrypted.xls");
        QTest::newRow("missing file") << fixture("no-such-file.xlsx");
    }
    void previewOfAnUnreadableFile() {
        QFETCH(QString, file);
        importFile(fixture("participants.xlsx"));
        importFile(file);
        // The default error handler shows the reader's message, which names the file; the list is cleared.
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(file), qPrintable(errors.first()));
        QCOMPARE(screen().ListView1Items->itemCount(), 0);
        QVERIFY(screen().SpeedButton6->isEnabled());
        QVERIFY(screen().SpeedButton7->isEnabled());
    }

    void previewKeepsTheRowsReadBeforeDamage() {
        // A sheet that breaks off after 20,000 good rows: the rows read before the damage stay listed.
        QByteArray sheet("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                         "<dimension ref=\"A1:B30001\"/><sheetData>"
                         "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>NO</t></is></c></row>");
        for (int r = 2; r <= 20001; ++r) {
            const QByteArray n = QByteArray::number(r);
            sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + QByteArray::number(r - 1) + "</v></c><c r=\"B" +
                     n + "\" t=\"inlineStr\"><is><t>Nama</t></is></c></row>";
        }
        sheet += "<row r=\"20002\"><c r=\"A20002\"><v>20001</v></c></roww></sheetData></worksheet>";
        const QString path = m_dir.filePath(QStringLiteral("damaged.xlsx"));
        writeZip(path, {{"xl/workbook.xml", QByteArray("<workbook xmlns=\"http://schemas.openxmlformats.org/"
                                                       "spreadsheetml/2006/main\"><sheets><sheet name=\"S\" "
                                                       "sheetId=\"1\"/></sheets></workbook>")},
                        {"xl/worksheets/sheet1.xml", sheet}});
        importFile(path);
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(path), qPrintable(errors.first()));
        const int kept = screen().ListView1Items->itemCount();
        QVERIFY2(kept > 0 && kept <= 20000, qPrintable(QString::number(kept)));
        QCOMPARE(screen().ListView1Items->item(kept - 1), (QStringList{QString::number(kept), QStringLiteral("Nama")}));
        QVERIFY(screen().SpeedButton6->isEnabled());
    }

    void upload_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("ids"); // tb_peserta afterwards, 100 and 101 stored before
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("reason"); // when refused
        QTest::addColumn<QString>("asked");  // the question before storing a list that leaves rows out
        const QString none = QStringLiteral("100,101");
        QTest::newRow("xlsx") << fixture("participants.xlsx") << "100,101,1,2,3,4,5,6,7" << true << ""
                              << "";
        QTest::newRow("xls") << fixture("participants.xls") << "100,101,1,2,3,4,5,6,7" << true << ""
                             << "";
        QTest::newRow("ods") << fixture("participants.ods") << "100,101,1,2,3,4,5,6,7" << true << ""
                             << "";
        QTest::newRow("gap: only row 2, asked first")
            << fixture("gap.xlsx") << "100,101,1" << true << ""
            << "Nomor urut di baris 3 kosong: daftar berhenti di sana, baris itu dan 2 baris berisi data setelahnya "
               "tidak ikut. Lanjutkan?";
        QTest::newRow("five columns") << fixture("five-columns.xlsx") << none << false << tooWide(5) << "";
        QTest::newRow("heading only: row 2 has no ID")
            << fixture("heading-only.xlsx") << none << false << "Baris 2: nomor urut kosong."
            << "";
        QTest::newRow("six columns of formulas") << fixture("formulas.xlsx") << none << false << tooWide(6) << "";
    }
    void upload() {
        QFETCH(QString, file);
        QFETCH(QString, ids);
        QFETCH(bool, stored);
        QFETCH(QString, reason);
        QFETCH(QString, asked);
        m_db->addParticipants(std::vector<long long>{100, 101});
        QTest::mouseClick(fAcak->BitBtn7, Qt::LeftButton); // shows them
        importFile(file);
        const QString shownBefore = listed();
        TestApplication::clear();
        pressUpload();
        const int added = static_cast<int>(ids.count(QLatin1Char(','))) - 1;
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{stored ? imported(file, added) : refused(reason)});
        QCOMPARE(TestApplication::texts(Kind::Question), asked.isEmpty() ? QStringList() : QStringList{asked});
        QCOMPARE(TestApplication::shown().size(), asked.isEmpty() ? 1 : 2);
        QCOMPARE(storedIds(), ids);
        QCOMPARE(screen().SpeedButton6->isEnabled(), !stored);
        QCOMPARE(listed(), shownBefore); // the upload leaves the preview alone
        // The grid's cursor shows the new rows only after a successful upload, standing on the first row.
        QCOMPARE(screen().ADOTable3.recordCount(), std::size_t(stored ? ids.count(QLatin1Char(',')) + 1 : 2));
        QCOMPARE(screen().ADOTable3.position(), std::size_t{0});
        QCOMPARE(screen().ADOTable3.fieldText("ID"), std::string("100"));
        // The target cursor never keeps a failed row pending.
        QVERIFY(!screen().ADOTable1.active() || screen().ADOTable1.state() == db::TableCursor::State::Browse);
    }

    // "Upload.." asks before storing a list that leaves rows of the sheet out. No, the default, stores nothing and
    // says nothing more; Yes stores the list and says how many were stored.
    void uploadAsksBeforeLeavingRowsOut() {
        const QString path = write(QStringLiteral("karyawan.csv"), employees());
        importFile(path);
        const QString asked = QStringLiteral("Baris 252 kosong: daftar berhenti di sana, 250 baris berisi data "
                                             "setelahnya tidak ikut. Lanjutkan?");
        TestApplication::clear();
        ui::MessageBox::setNextAnswer(QMessageBox::No);
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Question), QStringList{asked});
        QCOMPARE(TestApplication::shown().size(), 1);
        QCOMPARE(m_db->count("tb_peserta"), 0);
        QCOMPARE(m_db->count("tb_jurnal WHERE jenis = 'upload'"), 0);
        QVERIFY(screen().SpeedButton6->isEnabled());
        QVERIFY(screen().SpeedButton7->isEnabled());

        TestApplication::clear();
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Question), QStringList{asked});
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{imported(path, 250)});
        QCOMPARE(m_db->count("tb_peserta"), 250);
        QVERIFY(!screen().SpeedButton6->isEnabled());
    }

    void uploadStoresTheCellTexts() {
        importFile(fixture("participants.xlsx"));
        pressUpload();
        const auto rows = m_db->rows("SELECT ID, no_undian, nama, hp FROM tb_peserta WHERE ID <= 4 ORDER BY ID");
        QCOMPARE(rows.size(), std::size_t{4});
        // A phone number held as text keeps its leading zero; held as a number it loses it.
        QCOMPARE(rows[0], (std::vector<std::string>{"1", "007", "Budi  Santoso", "081234567890"}));
        QCOMPARE(rows[1], (std::vector<std::string>{"2", "7", "Siti Nurhaliza", "81234567890"}));
        QCOMPARE(rows[2], (std::vector<std::string>{"3", "0042", "Đặng Thị Ánh", "+62 812-3456-7890"}));
        QCOMPARE(rows[3], (std::vector<std::string>{"4", "A-17", "李小龍", "6281234567890"}));
    }

    // A refused row anywhere rolls the whole file back, so the mended file can be uploaded afterwards. The message
    // says what is wrong where: a repeated ID within the file, one the table holds already, an ID that is none.
    void refusedRowStoresNothing_data() {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QByteArray>("mended");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ID repeated in the file")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n2,B,Budi,08\n2,C,Citra,08\n")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n2,B,Budi,08\n3,C,Citra,08\n")
            << "Nomor urut 2 ada dua kali di file: baris 3 dan baris 4.";
        QTest::newRow("ID already stored")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n100,B,Budi,08\n")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n102,B,Budi,08\n")
            << "Nomor urut 100 sudah ada di tabel peserta; gunakan Hapus Semua untuk mengganti daftar.";
        QTest::newRow("ID not a whole number") << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\nA-2,B,Budi,08\n")
                                               << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n2,B,Budi,08\n")
                                               << "Baris 3: nomor urut \"A-2\" bukan bilangan bulat.";
        // Refused by the entry form as well: one sign at most.
        QTest::newRow("ID with two signs") << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n+-2,B,Budi,08\n")
                                           << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n-2,B,Budi,08\n")
                                           << "Baris 3: nomor urut \"+-2\" bukan bilangan bulat.";
        QTest::newRow("ID beyond 64 bits")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n 99999999999999999999 ,B,Budi,08\n")
            << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n99,B,Budi,08\n")
            << "Baris 3: nomor urut 99999999999999999999 terlalu besar.";
        QTest::newRow("blank ID") << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n ,B,Budi,08\n")
                                  << QByteArray("NO,UNDIAN,NAMA,HP\n1,A,Ani,08\n2,B,Budi,08\n")
                                  << "Baris 3: nomor urut kosong.";
    }
    void refusedRowStoresNothing() {
        QFETCH(QByteArray, csv);
        QFETCH(QByteArray, mended);
        QFETCH(QString, reason);
        m_db->addParticipants(std::vector<long long>{100, 101});
        const QString path = write(QStringLiteral("peserta.csv"), csv);
        importFile(path);
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{refused(reason)});
        QCOMPARE(m_db->count("tb_peserta"), 2);
        QVERIFY(screen().SpeedButton6->isEnabled());
        QCOMPARE(screen().ADOTable1.state(), db::TableCursor::State::Inactive);
        // The operator mends the file and presses "Upload.." again, without a new "Import".
        write(QStringLiteral("peserta.csv"), mended);
        TestApplication::clear();
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{imported(path, mended.count('\n') - 1)});
        QCOMPARE(m_db->count("tb_peserta"), 2 + mended.count('\n') - 1);
        QVERIFY(!screen().SpeedButton6->isEnabled());
    }

    // A file that cannot be read says so through the default error handler, with the file's name and what to do,
    // instead of claiming a repeated ID; nothing is stored.
    void unreadableFileAtUpload_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no spreadsheet") << fixture("not-a-spreadsheet.xlsx") << "not a spreadsheet";
        QTest::newRow("truncated zip") << fixture("truncated.xlsx") << "damaged or incomplete";
        QTest::newRow("password-protected xls") << fixture("encrypted.xls") << "password-protected";
        QTest::newRow("xlsx formula without a result")
            << fixture("formula-without-result.xlsx")
            << "the cell at row 3, column A holds a formula without a stored result; open the file in a "
               "spreadsheet program, save it, and import it again.";
        QTest::newRow("xls formula of a script library")
            << fixture("formula-without-result.xls") << "row 3, column A holds a formula without a stored result";
        QTest::newRow("openpyxl's formulas") << fixture("formulas-source.xlsx") << "row 2, column A holds a formula";
        QTest::newRow("CSV quote never closed")
            << fixture("unclosed-quote.csv") << "line 3: a quoted field is not closed";
        QTest::newRow("xlsb") << fixture("binary-workbook.xlsb") << "save it as .xlsx";
    }
    void unreadableFileAtUpload() {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        importFile(file);
        TestApplication::clear();
        pressUpload();
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(TestApplication::shown().size(), 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(QStringLiteral("Cannot read \"") + file + QStringLiteral("\": ")),
                 qPrintable(errors.first()));
        QVERIFY2(errors.first().contains(reason), qPrintable(errors.first()));
        QCOMPARE(m_db->count("tb_peserta"), 0);
        QVERIFY(screen().SpeedButton6->isEnabled());
    }

    void fileGoneBeforeUpload() {
        const QString path = write(QStringLiteral("gone.csv"), "NO\n1\n");
        importFile(path);
        QFile::remove(path);
        TestApplication::clear();
        pressUpload();
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(path), qPrintable(errors.first()));
    }

    // A named pipe (or a device) picked in the dialog is refused at once, naming it: opening it would wait for
    // ever. "Upload.." refuses it the same way.
    void somethingNotAFileIsRefusedAtOnce() {
        const QString fifo = m_dir.filePath(QStringLiteral("peserta.xlsx"));
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QElapsedTimer clock;
        clock.start();
        importFile(fifo);
        QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first(),
                 QStringLiteral("Cannot read \"") + fifo + QStringLiteral("\": it is a named pipe, not a file."));
        QCOMPARE(screen().ListView1Items->itemCount(), 0);
        TestApplication::clear();
        pressUpload();
        errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("named pipe")));
        QVERIFY2(clock.elapsed() < 5000, "the screen waited on the pipe");
        QVERIFY(screen().SpeedButton7->isEnabled());
    }

    // Declared sizes are hints at most: the column count is where values are, in any row of the sheet.
    void uploadCountsTheColumnsThatHoldValues_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("stored"); // refused: five columns
        QTest::addColumn<int>("rows");
        QTest::newRow("declared A1:D2, a value in E") << fixture("dimension-too-narrow.xlsx") << false << 0;
        QTest::newRow("declared A1:Z4 over four columns") << fixture("dimension-too-wide.xlsx") << true << 2;
        QTest::newRow("declared the whole grid over four columns") << fixture("dimension-whole-grid.xlsx") << true << 2;
        QTest::newRow("a fifth column after the last participant")
            << fixture("fifth-column-after-the-list.xlsx") << false << 0;
        QTest::newRow("first sheets not worksheets") << fixture("chart-sheet-first.xlsx") << true << 2;
        QTest::newRow("Excel 95") << fixture("excel95.xls") << true << 2;
    }
    void uploadCountsTheColumnsThatHoldValues() {
        QFETCH(QString, file);
        QFETCH(bool, stored);
        QFETCH(int, rows);
        importFile(file);
        TestApplication::clear();
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{stored ? imported(file, rows) : refused(tooWide(5))});
        QCOMPARE(m_db->count("tb_peserta"), rows);
    }

    // A formula without a stored result: the rows before it are listed, then the message names its cell.
    void previewStopsAtAFormulaWithoutAResult() {
        importFile(fixture("formula-without-result.xlsx"));
        const QStringList errors = TestApplication::texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QStringLiteral("row 3, column A holds a formula without a stored result")),
                 qPrintable(errors.first()));
        QCOMPARE(listed(), QStringLiteral("1|U-1|Ani|08122"));
    }

    // The same list twice: the clash is with the table, and the message says so and how to replace the list.
    void uploadTwice() {
        const QString file = fixture("participants.xlsx");
        importFile(file);
        pressUpload();
        importFile(file);
        TestApplication::clear();
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Plain),
                 QStringList{refused(QStringLiteral(
                     "Nomor urut 1 sudah ada di tabel peserta; gunakan Hapus Semua untuk mengganti daftar."))});
        QCOMPARE(m_db->count("tb_peserta"), 7);
        QVERIFY(screen().SpeedButton6->isEnabled());
    }

    void uploadReadsTheFileAnew() {
        const QString path = write(QStringLiteral("changed.csv"), "NO,NAMA\n1,Ani\n2,Budi\n");
        importFile(path);
        write(QStringLiteral("changed.csv"), "NO,NAMA\n5,Eka\n");
        pressUpload();
        QCOMPARE(storedIds(), QStringLiteral("5"));
        QCOMPARE(listed(), QStringLiteral("1|Ani;2|Budi"));
    }

    // "Upload.." through the tab's states: disabled at first, enabled by a picked file whatever its preview gave,
    // kept by a cancelled dialog (which still clears the list) and by a failed upload, disabled by a stored one.
    void uploadButtonStates() {
        auto& uploadButton = *screen().SpeedButton6;
        QVERIFY(!uploadButton.isEnabled());
        importFile({}); // cancelled
        QVERIFY(!uploadButton.isEnabled());
        importFile(fixture("not-a-spreadsheet.xlsx"));
        QVERIFY(uploadButton.isEnabled());
        const QString good = write(QStringLiteral("good.csv"), "NO,NAMA\n1,Ani\n");
        importFile(good);
        QCOMPARE(screen().ListView1Items->itemCount(), 1);
        importFile({}); // cancelled: the list is cleared, the file chosen before stays
        QCOMPARE(screen().ListView1Items->itemCount(), 0);
        QVERIFY(uploadButton.isEnabled());
        QCOMPARE(screen().OpenDialog1.fileName(), good);
        TestApplication::clear();
        pressUpload();
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{imported(good, 1)});
        QVERIFY(!uploadButton.isEnabled());
        importFile({});
        QVERIFY(!uploadButton.isEnabled());
        importFile(good);
        pressUpload(); // refused: stays enabled
        QVERIFY(uploadButton.isEnabled());
        QVERIFY(screen().SpeedButton7->isEnabled());
    }

    // Before its dialog shows, a job already lets the screens repaint: the event loop turns every tenth of a second.
    void screenTurnsBeforeTheDialogShows() {
        ImportProgress::setShowAfter(60000);
        ImportProgress progress(&screen(), QStringLiteral("Membaca %1 baris..."), {});
        bool turned = false;
        QTimer::singleShot(0, this, [&] { turned = true; });
        QElapsedTimer clock;
        clock.start();
        for (std::size_t rows = 0; !turned && clock.elapsed() < 5000; ++rows) {
            QThread::msleep(5);
            progress.step(rows);
        }
        QVERIFY(turned);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // A long job shows how far it has got, with both buttons disabled meanwhile, and restores them after. Its
    // dialog belongs to the participants screen (its transient parent), so a window manager keeps it above that
    // screen, which stays on top of the others.
    void progressOnLongJobs() {
        ImportProgress::setShowAfter(0);
        QByteArray csv("NO,UNDIAN,NAMA,HP\n");
        for (int i = 1; i <= 100000; ++i)
            csv += QByteArray::number(i) + ",U,Nama Peserta,0812\n";
        const QString path = write(QStringLiteral("long.csv"), csv);

        QStringList labels;
        QSet<bool> owners; // whether each dialog seen belonged to the screen
        bool buttonsDisabled = true;
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            owners.insert(dialog->parentWidget() == &screen() && dialog->windowHandle() &&
                          dialog->windowHandle()->transientParent() == screen().windowHandle());
            if (labels.isEmpty() || labels.last() != dialog->labelText()) labels << dialog->labelText();
            buttonsDisabled =
                buttonsDisabled && !screen().SpeedButton6->isEnabled() && !screen().SpeedButton7->isEnabled();
        });
        watcher.start();
        importFile(path);
        const QStringList previewLabels = labels;
        labels.clear();
        pressUpload();
        watcher.stop();

        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{imported(path, 100000)});
        QCOMPARE(screen().ListView1Items->itemCount(), 100000);
        QCOMPARE(m_db->count("tb_peserta"), 100000);
        QVERIFY2(previewLabels.size() >= 1, qPrintable(previewLabels.join(QLatin1Char('/'))));
        QVERIFY2(labels.size() >= 1, qPrintable(labels.join(QLatin1Char('/'))));
        QVERIFY(buttonsDisabled);
        QCOMPARE(owners, QSet<bool>{true});
        QVERIFY(previewLabels.first().contains(QRegularExpression(QStringLiteral("\\d"))));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(screen().SpeedButton7->isEnabled());
        QVERIFY(!screen().SpeedButton6->isEnabled());
    }
};

QTEST_MAIN(ImportScreenTest)
#include "ImportScreenTest.moc"
