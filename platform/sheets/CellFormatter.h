#pragma once

#include "platform/sheets/Cell.h"

#include <QLocale>
#include <QString>
#include <string>

namespace sheets {

// Turns cells into the text the operator sees (see cellText). Keeps the locale's separators at hand, because the
// upload converts millions of cells and asking the locale each time costs more than the conversion.
class CellFormatter {
public:
    explicit CellFormatter(const QLocale& locale = QLocale());

    // Appends the cell's text, UTF-8, to out.
    void append(std::string& out, const Cell& cell) const;
    QString text(const Cell& cell) const;

    // General format of a number with '.' as decimal separator: "1.5", "81234567890", "1.23456789012346E+15".
    static void appendGeneral(std::string& out, double value, const std::string& decimalPoint = ".");

private:
    void appendDate(std::string& out, double serial) const;

    QLocale m_locale;
    std::string m_decimalPoint;
};

} // namespace sheets
