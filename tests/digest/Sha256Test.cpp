// SHA-256 against the published examples and against Qt's hash over every length around the block and its padding,
// with the bytes given in pieces of every size: the digests the record's fingerprints rest on.
#include "platform/digest/Sha256.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::string qtHex(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

struct Example {
    std::string message;
    const char* digest;
};

TEST(Sha256, PublishedExamples) {
    const Example examples[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Example& example : examples)
        EXPECT_EQ(digest::Sha256::hexOf(example.message), example.digest) << example.message.size() << " bytes";
}

TEST(Sha256, AgreesWithQtOverEveryLengthAndEveryWayOfCutting) {
    std::mt19937 random(11);
    std::string bytes;
    for (std::size_t length = 0; length <= 300; ++length) {
        bytes.push_back(static_cast<char>(random()));
        const std::string expected = qtHex(bytes);
        ASSERT_EQ(digest::Sha256::hexOf(bytes), expected) << length + 1 << " bytes whole";
        // The same bytes in pieces of random sizes, so a piece ends anywhere within a block.
        digest::Sha256 pieces;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t size = std::min<std::size_t>(random() % 150, bytes.size() - at);
            pieces.addData(std::string_view(bytes).substr(at, size));
            at += size;
        }
        ASSERT_EQ(pieces.hexResult(), expected) << length + 1 << " bytes in pieces";
    }
}

TEST(Sha256, AgreesWithQtOnALargeInput) {
    std::mt19937_64 random(5);
    std::string bytes(3 * 1024 * 1024 + 7, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    EXPECT_EQ(digest::Sha256::hexOf(bytes), qtHex(bytes));
}

} // namespace
