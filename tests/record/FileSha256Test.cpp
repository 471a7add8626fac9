// The hash that names an uploaded workbook in the journal, taken on its own thread: the same digest as hashing the
// bytes at once, whatever the file's size against the blocks it reads, and the reader's error for a missing file.
#include "core/record/FileSha256.h"
#include "tests/support/ErrorOf.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr qsizetype kBlock = 256 * 1024; // the hash reads the file in blocks of this size

class FileSha256Sizes : public ::testing::TestWithParam<qsizetype> {};

TEST_P(FileSha256Sizes, GivesTheDigestOfTheWholeFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("peserta.xlsx"));
    QByteArray bytes(GetParam(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 131 + i / 7);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    record::FileSha256 sha256(path.toStdString());
    const std::string expected = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
    EXPECT_EQ(sha256.result(), expected);
    EXPECT_EQ(sha256.result(), expected); // asked again, the same
}

INSTANTIATE_TEST_SUITE_P(AroundTheBlock, FileSha256Sizes,
                         ::testing::Values(0, 1, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock + 17));

TEST(FileSha256, MissingFileFailsWhenTheHashIsAskedFor) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("gone.csv")).toStdString();
    record::FileSha256 sha256(path);
    EXPECT_EQ(errorOf([&] { sha256.result(); }).rfind("Cannot read '" + path + "'", 0), 0u);
}

// A pipe would block the hash's thread in its opening until a writer came, and letting go of the hash would wait for
// it: refused without opening it.
TEST(FileSha256, PipeIsRefusedWithoutWaitingForAWriter) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("pipe.csv")).toStdString();
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    record::FileSha256 sha256(path);
    EXPECT_EQ(errorOf([&] { sha256.result(); }), "Cannot read '" + path + "': not a regular file");
}

} // namespace
