#include "platform/sheets/CellFormatter.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <charconv>
#include <cmath>

namespace sheets {

namespace {

// Serial day 1 of the 1900 date system is 1 January 1900; serial 60 is the 29 February 1900 that never was, kept by
// spreadsheet programs for compatibility, so from serial 61 on the days count from 30 December 1899.
QDate dateFromSerial(long long day, bool& phantomLeapDay) {
    phantomLeapDay = day == 60;
    if (day >= 61) return QDate(1899, 12, 30).addDays(day);
    if (day == 60) return QDate(1900, 2, 28);
    return QDate(1899, 12, 31).addDays(day);
}

} // namespace

CellFormatter::CellFormatter(const QLocale& locale)
    : m_locale(locale), m_decimalPoint(locale.decimalPoint().toStdString()) {}

QString CellFormatter::text(const Cell& cell) const {
    std::string out;
    append(out, cell);
    return QString::fromStdString(out);
}

void CellFormatter::append(std::string& out, const Cell& cell) const {
    switch (cell.kind) {
    case Cell::Kind::Empty:
    case Cell::Kind::Uncalculated:
        return;
    case Cell::Kind::Text:
    case Cell::Kind::Error:
        out += cell.text;
        return;
    case Cell::Kind::Number:
        appendGeneral(out, cell.number, m_decimalPoint);
        return;
    case Cell::Kind::Boolean:
        out += cell.number != 0 ? "True" : "False";
        return;
    case Cell::Kind::Date:
        appendDate(out, cell.number);
        return;
    }
}

void CellFormatter::appendDate(std::string& out, double serial) const {
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) { // past 31 December 9999: not a date
        out += "#VALUE!";
        return;
    }
    // Round to the second first, so 23:59:59.9 becomes the next day rather than "24:00".
    const auto seconds = static_cast<long long>(std::llround(serial * 86400.0));
    const long long day = seconds / 86400;
    const int secondOfDay = static_cast<int>(seconds % 86400);
    const QTime time = QTime(0, 0).addSecs(secondOfDay);
    QString text;
    if (day == 0) {
        text = m_locale.toString(time, QLocale::ShortFormat);
    } else {
        bool phantom = false;
        const QDate date = dateFromSerial(day, phantom);
        text = m_locale.toString(date, QLocale::ShortFormat);
        if (phantom) // QDate cannot hold 29 February 1900; show the day the spreadsheet shows
            text.replace(QString::number(28), QString::number(29));
        if (secondOfDay != 0) text += QLatin1Char(' ') + m_locale.toString(time, QLocale::ShortFormat);
    }
    out += text.toStdString();
}

void CellFormatter::appendGeneral(std::string& out, double value, const std::string& decimalPoint) {
    if (std::isnan(value) || std::isinf(value)) {
        out += "#NUM!";
        return;
    }
    if (value == 0) { // also -0
        out += '0';
        return;
    }
    // Correctly rounded to 15 significant digits: "d.dddddddddddddde+XX".
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<size_t>(result.ptr - buf));
    bool negative = false;
    if (sci.front() == '-') {
        negative = true;
        sci.remove_prefix(1);
    }
    const size_t e = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    char digits[15];
    int count = 0;
    for (size_t i = 0; i < e; ++i)
        if (sci[i] != '.') digits[count++] = sci[i];
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (negative) out += '-';
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (count > 1) {
            out += decimalPoint;
            out.append(digits + 1, static_cast<size_t>(count - 1));
        }
        out += exponent < 0 ? "E-" : "E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) out += '0';
        out += std::to_string(magnitude);
        return;
    }
    if (exponent < 0) {
        out += '0';
        out += decimalPoint;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<size_t>(count));
        return;
    }
    const int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i)
        out += i < count ? digits[i] : '0';
    if (count > integerDigits) {
        out += decimalPoint;
        out.append(digits + integerDigits, static_cast<size_t>(count - integerDigits));
    }
}

QString cellText(const Cell& cell, const QLocale& locale) {
    return CellFormatter(locale).text(cell);
}

} // namespace sheets
