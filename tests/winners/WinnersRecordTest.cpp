// The winners screen and the record of the draws: its deletions and exports reach the journal, and "Berita Acara"
// writes the minutes.
#include "data/uData.h"
#include "draw/uAcak.h"
#include "platform/ui/DBGrid.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"
#include "winners/uPemenang.h"

#include "tests/support/OnEachStore.h"
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using Kind = ui::MessageBox::Kind;

class WinnersRecordTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
    QTemporaryDir m_dir;

    QPair<QString, QJsonObject> lastEntry() const { return m_db->journal().value(m_db->journal().size() - 1); }

    // Two winners saved on the draw screen, then the winners screen shown.
    void saveTwoWinners() {
        for (const char* prize : {"Televisi", "Sepeda"}) {
            fAcak->BitBtn4->click(); // "Tampilkan"
            fAcak->ed_hadiah->setText(QString::fromLatin1(prize));
            fAcak->BitBtn2->click(); // "&Simpan"
        }
        fAcak->BitBtn6->click(); // "Lihat Pemenang"
    }

private slots:
    void init() {
        m_db = std::make_unique<TestDatabase>();
        m_db->addParticipants(3);
        m_app = std::make_unique<TestApplication>(*m_db);
        saveTwoWinners();
    }
    void cleanup() {
        m_app.reset();
        m_db.reset();
    }

    // Right after "Export Excel" in the button row and in tab order, clear of the check box beside it.
    void beritaAcaraButtonSitsAfterExport() {
        auto* button = fPemenang->findChild<QPushButton*>(QStringLiteral("BitBtn4"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Berita Acara"));
        QCOMPARE(button->geometry(), QRect(224, 600, 97, 33));
        QCOMPARE(fPemenang->BitBtn3->nextInFocusChain(), static_cast<QWidget*>(button));
        auto* box = fPemenang->findChild<QWidget*>(QStringLiteral("CheckBox1"));
        QVERIFY(box);
        QVERIFY(!button->geometry().intersects(box->geometry()));
        QCOMPARE(button->nextInFocusChain(), box);
    }

    void deletionIsRecordedWithTheRow() {
        fPemenang->BitBtn3->click(); // "Delete" on the first row
        QCOMPARE(m_db->count("tb_pemenang"), 1LL);
        const auto [kind, details] = lastEntry();
        QCOMPARE(kind, QStringLiteral("winner_deleted"));
        QCOMPARE(details.value("rowid").toInt(), 1);
        QCOMPARE(details.value("values").toArray().at(2).toString(), QStringLiteral("Televisi"));
    }

    void exportIsRecordedWithTheFilesHash() {
        const QString path = m_dir.filePath(QStringLiteral("pemenang.xls"));
        ui::FileDialog::setNextFileName(path);
        fPemenang->BitBtn2->click();
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Export Data Pemenang Sukses")});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto [kind, details] = lastEntry();
        QCOMPARE(kind, QStringLiteral("export"));
        QCOMPARE(details.value("path").toString(), QDir::toNativeSeparators(path));
        QCOMPARE(details.value("rows").toInt(), 2);
        QCOMPARE(details.value("sha256").toString(),
                 QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
    }

    // An export that cannot be recorded is not put in place.
    void exportWithoutItsEntryIsNotWritten() {
        m_db->refuseJournal("export", "the journal is full");
        QTemporaryDir dir;
        ui::FileDialog::setNextFileName(dir.filePath(QStringLiteral("pemenang.xls")));
        fPemenang->BitBtn2->click();
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("the journal is full.")});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList()); // nor its unfinished file
    }

    void beritaAcaraWritesTheMinutes() {
        const QString path = m_dir.filePath(QStringLiteral("berita-acara.pdf"));
        ui::FileDialog::setNextFileName(path);
        fPemenang->BitBtn4->click();
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(TestApplication::texts(Kind::Plain), QStringList{QStringLiteral("Berita Acara telah disimpan")});
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("BERITA ACARA PENGUNDIAN")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Televisi")) && text.contains(QStringLiteral("Sepeda")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("UTUH")), qPrintable(text));

        // A journal found broken is said so.
        TestApplication::clear();
        m_db->exec("UPDATE tb_pemenang SET hadiah='Mobil' WHERE rowid=1");
        ui::FileDialog::setNextFileName(path);
        fPemenang->BitBtn4->click();
        QCOMPARE(TestApplication::texts(Kind::Plain),
                 QStringList{QStringLiteral("Berita Acara telah disimpan. Pemeriksaan jurnal: TIDAK UTUH.")});
    }
};

TOMBOLIKA_QTEST_MAIN_ON_EACH_STORE(WinnersRecordTest)
#include "WinnersRecordTest.moc"
