#pragma once

#include <QJsonValue>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <set>
#include <vector>

class QDateTime;
namespace record {
class Verification;
}

// The look of the program's printed documents (the minutes, the prize report): A4 in Indonesian, numbered sections,
// tables whose heading row is repeated on each page they run over and whose rows are never parted over two pages, no
// heading at the foot of a page apart from what follows it, a
// draw number on one line and no word broken inside (unless it is wider than the page), the signatures kept together
// on one page, "Halaman n dari m" under each page. A document is HTML made by a function that is given the Tables to
// build its sections and tables with; it is laid out again until nothing that belongs together is parted.
namespace document {

extern const QLocale kIndonesian;

// Text for the HTML: escaped, its line breaks kept.
QString escaped(const QString& text);
// A journal time (UTC) in the machine's local time.
QString localTime(const QString& utc);
// A hash in groups of eight hex digits, for reading aloud and comparing by eye; in a table's narrow column, four
// groups a line.
QString grouped(const QString& hash, bool twoLines = false);
// A value of a journal entry: its text escaped, nothing for null.
QString value(const QJsonValue& v);
// What a section with nothing to list says.
QString none();
// A document's title, and below it the event's name when it has one.
QString title(const QString& title, const QString& eventName);
// Which program made the document, and when (shown in local time).
QString madeWith(const QString& program, const QString& version, const QDateTime& madeAt);
// The closing signature blocks, two a row, one per role ("Penyelenggara", "Notaris", ...). The document's last table.
QString signatures(const QStringList& roles);
// Who signs the documents of the draw itself (the minutes, the seal's letter).
QStringList drawSigners();

// How a document is laid out on its pages, found by laying it out: whether draw numbers and words are kept whole,
// and where the tables go on to a new page.
struct Printing {
    // Draw numbers on one line and every word whole. Off when they do not fit a page's width: then Qt breaks them
    // where it must rather than cut them off at the page's edge.
    bool wholeWords = true;
    // Per table, in the order printed: the rows (0 the first below the heading) that begin a new page. At 0 the
    // table's section goes over with it.
    std::map<int, std::set<int>> breaks;
    // The headings without a table of their own (counted over all the Tables' headings, in the order printed) that
    // begin a new page, so that no heading is left alone at the foot of a page.
    std::set<int> headingBreaks;
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
    QString section(int number, const QString& title, bool withTable) const;
    // A heading within a section (level 4 or 5), which goes over to a new page with its table as a section does.
    QString heading(int level, const QString& title, bool withTable) const;
    // `whole`: the columns whose cells never break (draw numbers).
    QString table(const QStringList& heading, const QList<QStringList>& rows, const QList<int>& widths,
                  const QList<int>& whole = {});

    std::vector<Piece> pieces;

private:
    bool breaksBefore(int table, int row) const;
    QString start(int table, int firstRow, const QString& head);

    const Printing& m_printing;
    int m_tables = 0;
    mutable int m_headings = 0;
};

// The section on the journal's check: its entries, its last hash, and whether it holds (`intact`: what holding
// means for this document), else the verdict and each problem found.
QString journalCheck(const record::Verification& check, Tables& tables, int number, const QString& intact);

// The HTML of the whole document, its tables built by `tables`.
using Build = std::function<QString(Tables& tables)>;

// The HTML as it is printed before any table is moved on to a new page.
QString html(const Build& build);

// Lays the document out on A4 pages and writes it as a PDF with this title and creator, whole or not at all (an
// existing file stays as it was when anything fails); throws platform::Error when the file cannot be written. Needs
// a QGuiApplication (any platform, offscreen included) but no widgets.
void writePdf(const Build& build, const QString& title, const QString& creator, const QString& path);

} // namespace document
