#include "platform/text/Integer.h"
#include "platform/text/Quote.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct IntegerCase {
    const char* text;
    std::optional<std::int64_t> value;
};

TEST(ParseInteger, WholeDecimalNumbersOnly) {
    const IntegerCase cases[] = {
        {"7", 7},
        {"  7 ", 7},
        {"+7", 7},
        {"-7", -7},
        {"007", 7},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {"--1", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x10", std::nullopt},
        {"1 2", std::nullopt},
        {"\t7", std::nullopt},
        {"12abc", std::nullopt},
        {"\xD9\xA3", std::nullopt}, // an Arabic-Indic digit
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::parseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(QuotedForMessage, ShortWholeAndNeverCutInACharacter) {
    using namespace std::string_literals;
    const std::string forty(40, 'x');
    const struct {
        std::string text;
        std::string quoted;
    } cases[] = {
        {"", "''"},
        {"abc", "'abc'"},
        {forty, "'" + forty + "'"},
        {forty + "y", "'" + forty + "...'"},
        {"a\0b"s, "'a\\0b'"},
        // Forty two-byte letters are forty characters, not twenty; the forty-first is not cut in two.
        {repeated("\xC3\xA9", 41), "'" + repeated("\xC3\xA9", 40) + "...'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::quotedForMessage(c.text), c.quoted);
}

// A text typed into a Qt field is cut where Qt's forty UTF-16 units end: an emoji counts twice, and one that
// would straddle the fortieth unit is left out whole.
TEST(QuotedForMessage, CountedInUtf16UnitsForQtText) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string thirtyNine(39, 'x');
    const struct {
        std::string text;
        std::string characters;
        std::string units;
    } cases[] = {
        {repeated(emoji, 20), "'" + repeated(emoji, 20) + "'", "'" + repeated(emoji, 20) + "'"},
        {repeated(emoji, 21), "'" + repeated(emoji, 21) + "'", "'" + repeated(emoji, 20) + "...'"},
        {thirtyNine + emoji, "'" + thirtyNine + emoji + "'", "'" + thirtyNine + "...'"},
        {repeated("\xC3\xA9", 41), "'" + repeated("\xC3\xA9", 40) + "...'", "'" + repeated("\xC3\xA9", 40) + "...'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::quotedForMessage(c.text, text::Counted::Characters), c.characters);
        EXPECT_EQ(text::quotedForMessage(c.text, text::Counted::Utf16Units), c.units);
    }
}

} // namespace
