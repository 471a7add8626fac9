#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <set>
#include <vector>

// The printed look of the program's documents (the minutes, the seal's letter): HTML laid out by Qt on A4 pages,
// sections and tables that are never parted where they belong together, numbered pages, signature blocks kept
// together, hashes in groups for reading aloud. Rendered with Qt's own PDF writer; needs a QGuiApplication (any
// platform, offscreen included) but no widgets.
namespace printed {

// How a document is laid out on its pages, found by laying them out: whether draw numbers and words are kept
// whole, and where the tables go on to a new page.
struct Printing {
    // Draw numbers on one line and every word whole. Off when they do not fit a page's width: then Qt breaks them
    // where it must rather than cut them off at the page's edge.
    bool wholeWords = true;
    // Per table, in the order printed: the rows (0 the first below the heading) that begin a new page. At 0 the
    // table's section goes over with it.
    std::map<int, std::set<int>> breaks;
};

// One printed table: a table of the document, or a part of one that goes on on a new page.
struct Piece {
    int table = 0;
    int firstRow = 0;
};

// The HTML of a document's sections and tables, each table with its heading row, which Qt repeats when a table runs
// over a page. A table is cut into pieces where the printing breaks it; `pieces` lists them in the order printed.
class Tables {
public:
    explicit Tables(const Printing& printing) : m_printing(printing) {}

    // A section's title; `withTable`: the next table is the section's.
    QString section(int number, const QString& title, bool withTable) const {
        return heading(3, QStringLiteral("%1. %2").arg(number).arg(title), withTable);
    }
    // A heading within a section (level 4 or 5), which goes over to a new page with its table as a section does.
    QString heading(int level, const QString& title, bool withTable) const {
        return QStringLiteral("<h%1%2>%3</h%1>")
            .arg(level)
            .arg(withTable && breaksBefore(m_tables, 0) ? QStringLiteral(" style=\"page-break-before: always\"")
                                                        : QString())
            .arg(title);
    }

    // `whole`: the columns whose cells never break (draw numbers).
    QString table(const QStringList& heading, const QList<QStringList>& rows, const QList<int>& widths,
                  const QList<int>& whole = {}) {
        const int number = m_tables++;
        QString head = QStringLiteral("<thead><tr>");
        for (qsizetype i = 0; i < heading.size(); ++i)
            head += QStringLiteral("<th width=\"%1%\">%2</th>").arg(widths.value(i)).arg(heading[i]);
        head += QStringLiteral("</tr></thead>");
        QString html = start(number, 0, head);
        for (qsizetype row = 0; row < rows.size(); ++row) {
            if (row > 0 && breaksBefore(number, static_cast<int>(row)))
                html += QStringLiteral("</table>") + start(number, static_cast<int>(row), head);
            html += QStringLiteral("<tr>");
            for (qsizetype column = 0; column < rows[row].size(); ++column)
                html += (m_printing.wholeWords && whole.contains(column)
                             ? QStringLiteral("<td style=\"white-space: nowrap\">%1</td>")
                             : QStringLiteral("<td>%1</td>"))
                            .arg(rows[row][column]);
            html += QStringLiteral("</tr>");
        }
        return html + QStringLiteral("</table>");
    }

    std::vector<Piece> pieces;

private:
    bool breaksBefore(int table, int row) const {
        const auto breaks = m_printing.breaks.find(table);
        return breaks != m_printing.breaks.end() && breaks->second.count(row);
    }

    QString start(int table, int firstRow, const QString& head) {
        pieces.push_back({table, firstRow});
        return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"%1>")
                   .arg(firstRow > 0 ? QStringLiteral(" style=\"page-break-before: always\"") : QString()) +
               head;
    }

    const Printing& m_printing;
    int m_tables = 0;
};

// A text as HTML, line breaks kept.
QString escaped(const QString& text);
// A journal time (UTC) in the machine's local time.
QString localTime(const QString& utc);
// A hash in groups of eight hex digits; `twoLines`: four groups a line, for a table's narrow column.
QString grouped(const QString& hash, bool twoLines = false);
// The signature blocks, two a row, each a role, a line to sign on and "Nama:". The last table of a document, which
// writePdf() keeps on one page.
QString signatures(const QStringList& roles);

// Writes the document as an A4 PDF, whole or not at all (files::ExportFile): `html` gives the document's HTML built
// with the tables it is handed, and is called again until no table row is parted over two pages and no table from
// its section's title. Throws platform::Error when the file cannot be written.
void writePdf(const QString& path, const QString& title, const QString& creator,
              const std::function<QString(Tables&)>& html);

} // namespace printed
