// The participants and winners tables as wholes, without a screen: "Hapus Semua", the upload and the export, each
// with its journal entry in the same transaction.
#include "core/Session.h"
#include "platform/db/TableCursor.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QJsonObject lastEntry(const TestDatabase& db, const char* kind) {
    const auto journal = db.journal();
    EXPECT_FALSE(journal.isEmpty());
    if (journal.isEmpty()) return {};
    EXPECT_EQ(journal.back().first, QLatin1String(kind));
    return journal.back().second;
}

class TablesRules : public ::testing::Test {
protected:
    void SetUp() override { session.open(db.path()); }
    TestDatabase db;
    core::Session session;
};

TEST_F(TablesRules, HapusSemuaEmptiesTheTableWithItsEntry) {
    db.addParticipants(40);
    EXPECT_EQ(session.participants().count(), 40);
    EXPECT_EQ(session.participants().clearAll(), 40);
    EXPECT_EQ(session.participants().count(), 0);
    EXPECT_EQ(lastEntry(db, "participants_cleared").value(QStringLiteral("count")).toInt(), 40);
}

// A journal that cannot be written stores nothing: the participants stay.
TEST_F(TablesRules, HapusSemuaThatCannotBeRecordedKeepsEveryParticipant) {
    db.addParticipants(3);
    session.journal().ensureStarted();
    db.exec("CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal BEGIN SELECT RAISE(ABORT, 'journal refused'); END");
    EXPECT_EQ(errorOf([&] { session.participants().clearAll(); }), "journal refused");
    EXPECT_EQ(db.count("tb_peserta"), 3);
}

TEST_F(TablesRules, UploadStoresTheFileWithItsEntryNamingIt) {
    const QString file = QDir(db.directory()).filePath(QStringLiteral("peserta.csv"));
    writeFile(file, "ID,no_undian,nama,hp\n1,U-1,Ani,0811\n2,U-2,\"Budi, S.\",0812\n");
    const auto result = session.participants().upload(file.toStdString(), {}, {});
    ASSERT_EQ(result.outcome, ParticipantUpload::Outcome::Stored);
    EXPECT_EQ(result.rows, 2u);
    EXPECT_EQ(db.rows("SELECT * FROM tb_peserta ORDER BY ID"),
              (Rows{{"1", "U-1", "Ani", "0811"}, {"2", "U-2", "Budi, S.", "0812"}}));
    const QJsonObject entry = lastEntry(db, "upload");
    EXPECT_EQ(entry.value(QStringLiteral("rows")).toInt(), 2);
    EXPECT_EQ(entry.value(QStringLiteral("sha256")).toString(),
              QString::fromLatin1(QCryptographicHash::hash(readFile(file), QCryptographicHash::Sha256).toHex()));
}

TEST_F(TablesRules, ARefusedUploadStoresNothingAndRecordsNothing) {
    db.addParticipants(1);
    const QString file = QDir(db.directory()).filePath(QStringLiteral("peserta.csv"));
    writeFile(file, "ID,no_undian,nama,hp\n2,U-2,Ani,0811\n1,U-1,Budi,0812\n");
    const auto result = session.participants().upload(file.toStdString(), {}, {});
    EXPECT_EQ(result.outcome, ParticipantUpload::Outcome::Refused);
    EXPECT_EQ(result.refusal, ParticipantUpload::Refusal::IdAlreadyStored);
    EXPECT_EQ(db.count("tb_peserta"), 1);
    for (const auto& [kind, details] : db.journal())
        EXPECT_NE(kind, QStringLiteral("upload"));
}

TEST_F(TablesRules, ExportWritesEveryWinnerAndNamesTheFileByItsBytes) {
    db.exec("INSERT INTO tb_pemenang VALUES('D1','Ani','TV'), ('D2','Budi \"B\"','Sepeda')");
    db::TableCursor winners("ADOTable1");
    winners.setConnection(&session.connection());
    winners.setTableName("tb_pemenang");
    winners.open();
    const QString file = QDir(db.directory()).filePath(QStringLiteral("pemenang.xls"));
    EXPECT_EQ(session.winners().exportTo(winners, file), 2u);
    const QByteArray bytes = readFile(file);
    EXPECT_EQ(bytes, QByteArray("No\tMSISDN\tSMS\tHadiah\t\r\n1\tD1\tAni\tTV\t\r\n2\tD2\tBudi \"B\"\tSepeda\t\r\n"));
    EXPECT_TRUE(winners.eof());
    const QJsonObject entry = lastEntry(db, "export");
    EXPECT_EQ(entry.value(QStringLiteral("rows")).toInt(), 2);
    EXPECT_EQ(entry.value(QStringLiteral("sha256")).toString(),
              QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
}

} // namespace
