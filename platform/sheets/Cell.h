#pragma once

#include <QLocale>
#include <QString>
#include <string>

namespace sheets {

// One cell of a worksheet as the file stores it.
struct Cell {
    // Uncalculated: a formula whose result the file does not hold (its writer never calculated it). The cell is used,
    // but no value can be shown for it.
    enum class Kind { Empty, Text, Number, Date, Boolean, Error, Uncalculated };
    Kind kind = Kind::Empty;
    std::string text;  // Text: the UTF-8 text; Error: the error text ("#N/A")
    double number = 0; // Number; Date: serial day number in the 1900 system (with fraction for time); Boolean: 0 or 1
};

// The text the operator sees for a cell: empty for Empty; the text for Text; numbers in the General format (up to 15
// significant digits, scientific above 15 integer digits or below 0.00001 other than zero) with the locale's decimal
// separator; dates as the locale's short date (date-time: short date and time, time only: short time); booleans
// "True"/"False"; errors as their text; nothing for a formula without a stored result.
QString cellText(const Cell& cell, const QLocale& locale = QLocale());

} // namespace sheets
