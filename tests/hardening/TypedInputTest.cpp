// Awkward texts in every field that reaches the database: quotes, backslashes, NUL characters, right-to-left text,
// emoji, 1 MB of text. Each is stored exactly as the field holds it, or refused with a short message.
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/db/Connection.h"
#include "platform/db/SqlCommand.h"
#include "platform/ui/DBEdit.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Timer.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Kind = ui::MessageBox::Kind;

namespace {

// Stores the text in the statement's three parameters, through the program's own data layer.
void insertThrice(const TestDatabase& database, const char* sql, const QString& text) {
    db::Connection connection;
    connection.setDatabasePath(database.path());
    connection.open();
    db::SqlCommand insert;
    insert.setConnection(&connection);
    insert.setCommandText(sql);
    insert.setParameters({text.toStdString(), text.toStdString(), text.toStdString()});
    insert.execute();
}

// What the operator can type or paste; the columns of a field are compared byte for byte.
void addTexts() {
    QTest::addColumn<QString>("text");
    QTest::newRow("double quotes") << QStringLiteral("\"Hadiah \"utama\"\",\"");
    QTest::newRow("apostrophes and SQL") << QStringLiteral("O'Brien'); DROP TABLE tb_pemenang; --");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Undian\\new\\table\\ \\0 \\\" \\");
    QTest::newRow("NUL characters") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0);
    QTest::newRow("tab") << QStringLiteral("kolom\tkolom");
    QTest::newRow("line breaks") << QStringLiteral("baris 1\nbaris 2\r\nbaris 3\u2028baris 4");
    QTest::newRow("right-to-left") << QString::fromUtf8("שלום مرحبا \u202Egnp.exe\u202C 123");
    QTest::newRow("emoji") << QString::fromUtf8("🎉 Hadiah 🚗 👨‍👩‍👧‍👦 🇮🇩");
    QTest::newRow("combining marks and no-break space") << QString::fromUtf8("Jose\u0301\u00A0Siti\u200BAminah");
    QString big;
    while (big.size() < (1 << 20))
        big += QStringLiteral("Peserta nomor %1 \"ü\" ").arg(big.size());
    QTest::newRow("1 MB") << big;
}

// The name field is a multi-line edit: a line break is kept, as a line feed however it came.
QString asName(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Puts text into a field as the operator does when pasting it.
void paste(QWidget* field, const QString& text) {
    QApplication::clipboard()->setText(text);
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->selectAll();
        line->paste();
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(field)) {
        memo->selectAll();
        memo->paste();
    }
}

// The first row of a query, its texts read back byte for byte.
QStringList row(const TestDatabase& database, const std::string& sql) {
    QStringList texts;
    const auto rows = database.rows(sql);
    if (!rows.empty())
        for (const std::string& field : rows.front())
            texts << QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
    return texts;
}

} // namespace

class TypedInputTest : public QObject {
    Q_OBJECT

private slots:
    void drawnParticipantSavedUnchanged_data() { addTexts(); }
    void drawnParticipantSavedUnchanged();
    void typedWinnerSavedUnchanged_data() { addTexts(); }
    void typedWinnerSavedUnchanged();
    void participantFormStoresUnchanged_data() { addTexts(); }
    void participantFormStoresUnchanged();
    void participantIdRefusedWithMessage_data() { addTexts(); }
    void participantIdRefusedWithMessage();
    void speedRefusedWithMessage_data() { addTexts(); }
    void speedRefusedWithMessage();
    void exportWritesUnchanged_data() { addTexts(); }
    void exportWritesUnchanged();
};

// A participant whose fields hold the text is drawn, shown by "Tampilkan" and saved: the winner row holds it as is.
void TypedInputTest::drawnParticipantSavedUnchanged() {
    QFETCH(QString, text);
    TestDatabase database;
    insertThrice(database, "INSERT INTO tb_peserta VALUES(1,?,?,?)", text);
    TestApplication program(database.directory());
    fAcak->BitBtn4->click(); // "Tampilkan"
    QCOMPARE(fAcak->ed_msisdn->text(), text);
    QCOMPARE(fAcak->Edit2->text(), text);
    fAcak->ed_hadiah->setText(QStringLiteral("Sepeda"));
    fAcak->BitBtn2->click(); // "&Simpan"
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QCOMPARE(TestApplication::texts(Kind::Information), QStringList{QStringLiteral("Data Sudah Disimpan")});
    QCOMPARE(row(database, "SELECT * FROM tb_pemenang"), (QStringList{text, asName(text), QStringLiteral("Sepeda")}));
}

// The three fields the save takes, typed over by the operator.
void TypedInputTest::typedWinnerSavedUnchanged() {
    QFETCH(QString, text);
    TestDatabase database;
    database.addParticipants(1);
    TestApplication program(database.directory());
    fAcak->show();
    fAcak->BitBtn4->click(); // "Tampilkan"
    paste(fAcak->ed_msisdn, text);
    paste(fAcak->Memo1, text);
    paste(fAcak->ed_hadiah, text);
    // A line edit holds at most 32767 characters; what it holds is what is saved.
    const QString held = text.left(fAcak->ed_hadiah->maxLength());
    QCOMPARE(fAcak->ed_hadiah->text(), held);
    fAcak->BitBtn2->click(); // "&Simpan"
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QCOMPARE(row(database, "SELECT * FROM tb_pemenang"), (QStringList{held, asName(text), held}));
}

// "Input Baru", the three fields pasted in, "Simpan": the participant row holds them as they were.
void TypedInputTest::participantFormStoresUnchanged() {
    QFETCH(QString, text);
    TestDatabase database;
    TestApplication program(database.directory());
    fAcak->BitBtn7->click();    // "Lihat Peserta"
    fPeserta->BitBtn1->click(); // "Input Baru"
    paste(fPeserta->DBEdit1, text);
    paste(fPeserta->DBEdit2, text);
    paste(fPeserta->DBEdit3, text);
    const QString held = text.left(fPeserta->DBEdit1->maxLength());
    fPeserta->BitBtn5->click(); // "Simpan"
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Data baru telah disimpan")});
    QCOMPARE(row(database, "SELECT * FROM tb_peserta"), (QStringList{QStringLiteral("1"), held, held, held}));
}

// The sequence number typed into the grid: no awkward text is a whole number, so each is refused with a message
// short enough to read, and nothing is stored.
void TypedInputTest::participantIdRefusedWithMessage() {
    QFETCH(QString, text);
    TestDatabase database;
    database.addParticipants(1);
    TestApplication program(database.directory());
    fAcak->BitBtn7->click(); // "Lihat Peserta"
    QAbstractItemModel* grid = fPeserta->DBGrid1->model();
    QVERIFY(!grid->setData(grid->index(0, 0), text, Qt::EditRole));
    const QStringList errors = TestApplication::texts(Kind::Error);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains(QStringLiteral("is not a valid integer value for field 'ID'")),
             qPrintable(errors.first().left(200)));
    QVERIFY2(errors.first().size() < 300, qPrintable(QString::number(errors.first().size())));
    fPeserta->ADOTable3.cancel();
    QCOMPARE(row(database, "SELECT * FROM tb_peserta"),
             QStringList({QStringLiteral("1"), QStringLiteral("D1"), QStringLiteral("Nama 1"), QStringLiteral("081")}));
}

// The speed typed over with an awkward text and applied with "OK": refused with a short message, the stored speed
// and the shuffle interval kept.
void TypedInputTest::speedRefusedWithMessage() {
    QFETCH(QString, text);
    TestDatabase database;
    TestApplication program(database.directory());
    fAcak->show();
    paste(fAcak->DBEdit1, text);
    fAcak->BitBtn5->click(); // "OK"
    const QStringList errors = TestApplication::texts(Kind::Error);
    QVERIFY(!errors.isEmpty());
    QVERIFY2(errors.first().contains(QStringLiteral("is not a valid speed")), qPrintable(errors.first().left(200)));
    QVERIFY2(errors.first().size() < 300, qPrintable(QString::number(errors.first().size())));
    QCOMPARE(row(database, "SELECT speed FROM setup"), QStringList{QStringLiteral("50")});
    QCOMPARE(fAcak->Timer2->interval(), 50);
}

// A winner whose three fields hold the text is exported: the line holds them unchanged in the system's 8-bit
// encoding, or, where that encoding lacks a character, the export is refused naming the line and the previous file
// stays as it was (a '?' in place of a winner's letters would go unnoticed).
void TypedInputTest::exportWritesUnchanged() {
    QFETCH(QString, text);
    TestDatabase database;
    insertThrice(database, "INSERT INTO tb_pemenang VALUES(?,?,?)", text);
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("pemenang.xls"));
    const QByteArray previous("the previous export\r\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(previous);
    }
    TestApplication program(database.directory());
    fAcak->BitBtn6->click(); // "Lihat Pemenang"
    ui::FileDialog::setNextFileName(path);
    fPemenang->BitBtn2->click(); // "Export Excel"

    QStringEncoder encoder(QStringConverter::System);
    const QByteArray line = encoder.encode(QStringLiteral("1\t%1\t%1\t%1\t\r\n").arg(text));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    if (encoder.hasError()) {
        QCOMPARE(TestApplication::texts(Kind::Error),
                 QStringList{QStringLiteral("Line 2 of the export holds characters that the system's code page cannot "
                                            "write.")});
        QCOMPARE(written.readAll(), previous);
        return;
    }
    QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
    QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Export Data Pemenang Sukses")});
    const QByteArray content = written.readAll();
    QCOMPARE(content.size(), 23 + line.size());
    QVERIFY(content == "No\tMSISDN\tSMS\tHadiah\t\r\n" + line); // byte for byte; a 1 MB diff would not help
}

QTEST_MAIN(TypedInputTest)
#include "TypedInputTest.moc"
