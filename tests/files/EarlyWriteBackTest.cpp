// The early writing to disk beside a long transaction: it changes nothing of the file, lets go at once however long
// its period, and leaves alone a file it cannot open.
#include "platform/files/EarlyWriteBack.h"

#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(EarlyWriteBack, ChangesNothingAndLetsGoAtOnce) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("db_sms.mdb")).toStdString();
    std::ofstream(path, std::ios::binary) << std::string(1 << 20, 'a');
    const auto start = std::chrono::steady_clock::now();
    {
        const files::EarlyWriteBack writeBack(path, std::chrono::milliseconds(1));
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (int i = 0; i < 200; ++i)
            out << std::string(4096, static_cast<char>('b' + i % 20)) << std::flush;
    }
    {
        const files::EarlyWriteBack idle(path, std::chrono::hours(1)); // let go long before its first turn
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    std::string expected(1 << 20, 'a');
    for (int i = 0; i < 200; ++i)
        expected += std::string(4096, static_cast<char>('b' + i % 20));
    EXPECT_EQ(contents(path), expected);
}

TEST(EarlyWriteBack, FileThatCannotBeOpenedIsLeftAlone) {
    QTemporaryDir dir;
    const files::EarlyWriteBack writeBack(dir.filePath(QStringLiteral("missing.mdb")).toStdString(),
                                          std::chrono::milliseconds(1));
    SUCCEED();
}

} // namespace
