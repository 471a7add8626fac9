#include "platform/sheets/XlsxWriter.h"

#include "platform/Error.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <xlsxwriter.h>

namespace sheets {

namespace {

[[noreturn]] void fail(lxw_error error, const QString& where = {}) {
    QString message = QStringLiteral("Cannot write the workbook: ") + QString::fromUtf8(lxw_strerror(error));
    if (!where.isEmpty()) message += QStringLiteral(" (") + where + QLatin1Char(')');
    throw platform::Error(message.toStdString());
}

lxw_datetime excelTime(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    return {date.year(), date.month(), date.day(), clock.hour(), clock.minute(), static_cast<double>(clock.second())};
}

// A column as wide as its longest value in characters, within reason: a long name wraps no cell but must not push
// the next columns out of view.
double widthOf(const QString& text) {
    qsizetype longest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        longest = std::max(longest, line.size());
    return std::clamp(static_cast<double>(longest) + 2, 6.0, 50.0);
}

// Frees the workbook if it was not closed: workbook_close() frees it too.
struct WorkbookOwner {
    lxw_workbook* workbook;
    ~WorkbookOwner() {
        if (workbook) workbook_close(workbook);
    }
};

} // namespace

std::string XlsxWriter::bytes() const {
    QTemporaryDir folder;
    if (!folder.isValid()) fail(LXW_ERROR_CREATING_TMPFILE);
    const std::string path = folder.filePath(QStringLiteral("book.xlsx")).toStdString();
    std::string tmpdir = folder.path().toStdString();
    lxw_workbook_options options{};
    options.tmpdir = tmpdir.data();
    WorkbookOwner owner{workbook_new_opt(path.c_str(), &options)};
    lxw_workbook* workbook = owner.workbook;
    if (!workbook) fail(LXW_ERROR_MEMORY_MALLOC_FAILED);

    const std::string title = m_title.toStdString();
    lxw_doc_properties properties{};
    if (!title.empty()) {
        properties.title = const_cast<char*>(title.c_str());
        workbook_set_properties(workbook, &properties);
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, m_sheet.isEmpty() ? nullptr : m_sheet.toUtf8().constData());
    if (!sheet) fail(LXW_ERROR_INVALID_SHEETNAME_CHARACTER, m_sheet);
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* day = workbook_add_format(workbook);
    format_set_num_format(day, "dd-mm-yyyy");
    lxw_format* moment = workbook_add_format(workbook);
    format_set_num_format(moment, "dd-mm-yyyy hh:mm:ss");

    std::vector<double> widths(static_cast<std::size_t>(m_heading.size()), 6.0);
    const auto widen = [&](std::size_t column, double width) {
        if (column >= widths.size()) widths.resize(column + 1, 6.0);
        widths[column] = std::max(widths[column], width);
    };
    const auto where = [](std::size_t row, std::size_t column) {
        return QStringLiteral("row %1, column %2").arg(row + 1).arg(column + 1);
    };
    for (qsizetype column = 0; column < m_heading.size(); ++column) {
        if (const lxw_error error = worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column),
                                                           m_heading[column].toUtf8().constData(), bold))
            fail(error, where(0, static_cast<std::size_t>(column)));
        widen(static_cast<std::size_t>(column), widthOf(m_heading[column]) + 2); // room for the filter's button
    }
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (std::size_t c = 0; c < m_rows[r].size(); ++c) {
            const Cell& cell = m_rows[r][c];
            const auto column = static_cast<lxw_col_t>(c);
            lxw_error error = LXW_NO_ERROR;
            switch (cell.kind) {
            case Cell::Kind::Empty:
                break;
            case Cell::Kind::Text:
                if (!cell.text.isEmpty()) {
                    error = worksheet_write_string(sheet, row, column, cell.text.toUtf8().constData(), nullptr);
                    widen(c, widthOf(cell.text));
                }
                break;
            case Cell::Kind::Number:
                error = worksheet_write_number(sheet, row, column, cell.number, nullptr);
                widen(c, widthOf(QString::number(cell.number)));
                break;
            case Cell::Kind::Date:
            case Cell::Kind::DateTime: {
                lxw_datetime time = excelTime(cell.time);
                const bool date = cell.kind == Cell::Kind::Date;
                error = worksheet_write_datetime(sheet, row, column, &time, date ? day : moment);
                widen(c, date ? 12 : 21);
                break;
            }
            }
            if (error) fail(error, where(r + 1, c));
        }
    }
    for (std::size_t c = 0; c < widths.size(); ++c)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
    if (!m_heading.isEmpty())
        worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(m_rows.size()),
                             static_cast<lxw_col_t>(m_heading.size() - 1));

    owner.workbook = nullptr;
    if (const lxw_error error = workbook_close(workbook)) fail(error);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Error("Cannot read the workbook just written: " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace sheets
