#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace sheets {

// A workbook of one worksheet, as the people who read it in a spreadsheet program want it: a bold heading row kept
// in view, one row per record, each column as wide as its values (within reason), a filter on the heading. Written
// with libxlsxwriter. Texts stay texts (a draw number keeps its leading zeros, a formula-like text is not
// calculated); dates and times are real dates, shown as dd-mm-yyyy (hh:mm:ss). No widgets.
class XlsxWriter {
public:
    struct Cell {
        enum class Kind { Empty, Text, Number, Date, DateTime };
        Kind kind = Kind::Empty;
        QString text;
        double number = 0;
        QDateTime time; // Date: its date; DateTime: as it is shown (local time)

        static Cell textCell(const QString& text) { return {Kind::Text, text, 0, {}}; }
        static Cell numberCell(double number) { return {Kind::Number, {}, number, {}}; }
        static Cell dateCell(const QDate& date) {
            return date.isValid() ? Cell{Kind::Date, {}, 0, QDateTime(date, QTime(0, 0))} : Cell{};
        }
        static Cell dateTimeCell(const QDateTime& time) {
            return time.isValid() ? Cell{Kind::DateTime, {}, 0, time} : Cell{};
        }
    };
    using Row = std::vector<Cell>;

    // The sheet's name (at most 31 characters, none of []:*?/\), its column headings and its rows.
    XlsxWriter(QString sheet, QStringList heading) : m_sheet(std::move(sheet)), m_heading(std::move(heading)) {}
    void setTitle(const QString& title) { m_title = title; }
    void addRow(Row row) { m_rows.push_back(std::move(row)); }
    std::size_t rowCount() const { return m_rows.size(); }

    // The workbook's bytes: written into a private folder of its own and read back, so that the caller writes them
    // whole or not at all where the operator wants them. Throws platform::Error when the library cannot make the
    // workbook (a text too long for a cell, no room for its temporary files).
    std::string bytes() const;

private:
    QString m_sheet;
    QStringList m_heading;
    QString m_title;
    std::vector<Row> m_rows;
};

} // namespace sheets
