#include "core/verifiable/PublicList.h"
#include "core/verifiable/DrawKey.h"
#include "core/verifiable/ParticipantArray.h"
#include "platform/Error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The draw numbers a spreadsheet may bring, written so that the bytes read back are the stored ones.
TEST(PublicList, WritesEachDrawNumberSoItsBytesReadBack) {
    verifiable::ParticipantArray list;
    list.add(1, "0001");
    list.add(2, std::nullopt);
    list.add(5, "");
    list.add(7, "KUPON \"7\", MERAH");
    list.add(12, "baris\ndua");
    list.add(30, "S\xc3\xa9runi");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("daftar.csv"));
    const verifiable::PublicListFile written = verifiable::writePublicList(path, list);

    const std::string lp = verifiable::publicListFingerprint(list);
    const QByteArray expected = "Lp," + QByteArray::fromStdString(lp) +
                                "\n"
                                "ID,no_undian\n"
                                "1,\"0001\"\n"
                                "2,\n"
                                "5,\"\"\n"
                                "7,\"KUPON \"\"7\"\", MERAH\"\n"
                                "12,\"baris\ndua\"\n"
                                "30,\"S\xc3\xa9runi\"\n";
    const QByteArray file = contents(path);
    EXPECT_EQ(file.toStdString(), expected.toStdString());
    EXPECT_EQ(written.fingerprint, lp);
    EXPECT_EQ(written.rows, 6u);
    EXPECT_EQ(written.sha256, QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex().toStdString());
}

TEST(PublicList, AnEmptyListStillSaysItsFingerprint) {
    verifiable::ParticipantArray list;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kosong.csv"));
    verifiable::writePublicList(path, list);
    EXPECT_EQ(contents(path).toStdString(),
              "Lp,e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\nID,no_undian\n");
}

TEST(PublicList, AFileThatCannotBeWrittenLeavesNothing) {
    verifiable::ParticipantArray list;
    list.add(1, "0001");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tidak-ada/daftar.csv"));
    EXPECT_THROW(verifiable::writePublicList(path, list), platform::Error);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(PublicList, TheOfferedNameCarriesTheFingerprintsStart) {
    EXPECT_EQ(verifiable::publicListFileName("b9ed057b1b5be9a3f8a7ca5c04dec08e9464c1fd2036fad1196c111135ec79f6"),
              QStringLiteral("daftar-publik-b9ed057b1b5be9a3.csv"));
}

} // namespace
