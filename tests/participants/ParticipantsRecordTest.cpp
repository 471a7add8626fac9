// What the participants screen changes reaches the journal in the same transaction: a typed participant, "Hapus
// Semua" and an upload, which names its file by its SHA-256.
#include "data/uData.h"
#include "draw/uAcak.h"
#include "participants/uPeserta.h"
#include "platform/ui/DBEdit.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestDatabase.h"

#include "tests/support/OnEachStore.h"
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

using Kind = ui::MessageBox::Kind;

class ParticipantsRecordTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TestApplication> m_app;
    QTemporaryDir m_dir;

    QPair<QString, QJsonObject> lastEntry() const { return m_db->journal().value(m_db->journal().size() - 1); }

    QString csv(const QByteArray& content) {
        const QString path = m_dir.filePath(QStringLiteral("peserta.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    void upload(const QString& path) {
        ui::FileDialog::setNextFileName(path);
        QTest::mouseClick(fPeserta->SpeedButton7, Qt::LeftButton); // "Import"
        QTest::mouseClick(fPeserta->SpeedButton6, Qt::LeftButton); // "Upload.."
    }

private slots:
    void init() {
        m_db = std::make_unique<TestDatabase>();
        m_db->addParticipants(3);
        m_app = std::make_unique<TestApplication>(*m_db);
        fAcak->BitBtn7->click(); // "Lihat Peserta"
    }
    void cleanup() {
        m_app.reset();
        m_db.reset();
    }

    void typedParticipantIsRecorded() {
        fPeserta->BitBtn1->click(); // "Input Baru"
        QTest::keyClicks(fPeserta->DBEdit2, QStringLiteral("Dewi"));
        fPeserta->BitBtn5->click(); // "Simpan"
        QCOMPARE(m_db->count("tb_peserta"), 4LL);
        const auto [kind, details] = lastEntry();
        QCOMPARE(kind, QStringLiteral("participant_added"));
        QCOMPARE(details.value("values").toArray().at(0).toString(), QStringLiteral("4"));
        QCOMPARE(details.value("values").toArray().at(2).toString(), QStringLiteral("Dewi"));
    }

    void hapusSemuaIsRecordedWithTheCount() {
        fPeserta->BitBtn8->click();
        QCOMPARE(m_db->count("tb_peserta"), 0LL);
        const auto [kind, details] = lastEntry();
        QCOMPARE(kind, QStringLiteral("participants_cleared"));
        QCOMPARE(details.value("count").toInt(), 3);
    }

    void uploadIsRecordedWithTheFilesHash() {
        const QByteArray content = "ID,No Undian,Nama,HP\n10,A10,Rina,0810\n11,A11,Tono,0811\n";
        const QString path = csv(content);
        upload(path);
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList());
        QCOMPARE(m_db->count("tb_peserta"), 5LL);
        const auto [kind, details] = lastEntry();
        QCOMPARE(kind, QStringLiteral("upload"));
        QCOMPARE(details.value("rows").toInt(), 2);
        QCOMPARE(details.value("file").toString(), QDir::toNativeSeparators(path));
        QCOMPARE(details.value("sha256").toString(),
                 QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));
    }

    // An upload whose entry cannot be written stores none of its rows.
    void uploadWithoutItsEntryStoresNothing() {
        DTModule->journal.ensureStarted();
        m_db->refuseJournal("upload", "the journal is full");
        upload(csv("ID,No Undian,Nama,HP\n10,A10,Rina,0810\n"));
        QCOMPARE(TestApplication::texts(Kind::Error), QStringList{QStringLiteral("the journal is full.")});
        QCOMPARE(m_db->count("tb_peserta"), 3LL);
    }
};

TOMBOLIKA_QTEST_MAIN_ON_EACH_STORE(ParticipantsRecordTest)
#include "ParticipantsRecordTest.moc"
