// What the operator sees for each kind of cell.
#include "platform/sheets/Cell.h"
#include "platform/sheets/CellFormatter.h"

#include <QDate>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using sheets::Cell;

Cell number(double value) {
    return Cell{Cell::Kind::Number, {}, value};
}
Cell date(double serial) {
    return Cell{Cell::Kind::Date, {}, serial};
}

struct GeneralCase {
    double value;
    const char* text;
};
// Shown by CTest in the test's name, instead of the case's bytes.
void PrintTo(const GeneralCase& c, std::ostream* os) {
    *os << c.text;
}

class GeneralFormat : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralFormat, ShowsUpTo15SignificantDigits) {
    EXPECT_EQ(sheets::cellText(number(GetParam().value), QLocale::c()).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, GeneralFormat,
    ::testing::Values(GeneralCase{81234567890, "81234567890"}, GeneralCase{6281234567890, "6281234567890"},
                      GeneralCase{1.5, "1.5"}, GeneralCase{0.1 + 0.2, "0.3"},
                      GeneralCase{123456.7890123456, "123456.789012346"},
                      GeneralCase{999999999999999, "999999999999999"}, GeneralCase{999999999999999.9, "1E+15"},
                      GeneralCase{1234567890123456, "1.23456789012346E+15"}, GeneralCase{0.00001, "0.00001"},
                      GeneralCase{0.0000099999, "9.9999E-06"}, GeneralCase{1.0000000000000002, "1"},
                      GeneralCase{-0.0, "0"}, GeneralCase{-42, "-42"}, GeneralCase{-0.5, "-0.5"},
                      GeneralCase{100, "100"}, GeneralCase{1e100, "1E+100"}, GeneralCase{0.000123, "0.000123"},
                      GeneralCase{2.5e-300, "2.5E-300"}));

TEST(CellText, UsesTheLocaleDecimalSeparator) {
    const QLocale indonesian(QLocale::Indonesian, QLocale::Indonesia);
    EXPECT_EQ(sheets::cellText(number(1.5), indonesian), "1,5");
    EXPECT_EQ(sheets::cellText(number(1234567890123456), indonesian), "1,23456789012346E+15");
    // No grouping: a phone number stored as a number must come out as its digits.
    EXPECT_EQ(sheets::cellText(number(81234567890), indonesian), "81234567890");
}

TEST(CellText, ShowsDatesAsTheLocaleShortDate) {
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QString jan15 = locale.toString(QDate(2024, 1, 15), QLocale::ShortFormat);
    EXPECT_EQ(sheets::cellText(date(45306), locale), jan15);
    EXPECT_EQ(sheets::cellText(date(45306.4375), locale),
              jan15 + " " + locale.toString(QTime(10, 30), QLocale::ShortFormat));
    EXPECT_EQ(sheets::cellText(date(0.75), locale), locale.toString(QTime(18, 0), QLocale::ShortFormat));
    // 23:59:59.9 rounds to the next day rather than showing 24:00.
    EXPECT_EQ(sheets::cellText(date(45306 + 86399.9 / 86400), locale),
              locale.toString(QDate(2024, 1, 16), QLocale::ShortFormat));
}

TEST(CellText, CountsDaysAroundThePhantomLeapDayOf1900) {
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const auto shortDate = [&](int y, int m, int d) { return locale.toString(QDate(y, m, d), QLocale::ShortFormat); };
    EXPECT_EQ(sheets::cellText(date(1), locale), shortDate(1900, 1, 1));
    EXPECT_EQ(sheets::cellText(date(59), locale), shortDate(1900, 2, 28));
    EXPECT_EQ(sheets::cellText(date(60), locale), "2/29/00"); // the day spreadsheets show, though it never was
    EXPECT_EQ(sheets::cellText(date(61), locale), shortDate(1900, 3, 1));
}

TEST(CellText, ShowsTextBooleansErrorsAndNothing) {
    EXPECT_EQ(sheets::cellText(Cell{Cell::Kind::Text, "007", 0}), "007");
    EXPECT_EQ(sheets::cellText(Cell{Cell::Kind::Text, "Đặng Thị Ánh", 0}), QString::fromUtf8("Đặng Thị Ánh"));
    EXPECT_EQ(sheets::cellText(Cell{Cell::Kind::Boolean, {}, 1}), "True");
    EXPECT_EQ(sheets::cellText(Cell{Cell::Kind::Boolean, {}, 0}), "False");
    EXPECT_EQ(sheets::cellText(Cell{Cell::Kind::Error, "#N/A", 0}), "#N/A");
    EXPECT_EQ(sheets::cellText(Cell{}), "");
}

} // namespace
