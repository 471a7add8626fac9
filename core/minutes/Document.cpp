#include "core/minutes/Document.h"

#include "core/record/Verification.h"
#include "platform/Error.h"
#include "platform/files/ExportFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDateTime>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace document {

const QLocale kIndonesian(QLocale::Indonesian, QLocale::Indonesia);

QString escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
}

QString localTime(const QString& utc) {
    const QDateTime time = QDateTime::fromString(utc, Qt::ISODateWithMs);
    if (!time.isValid()) return escaped(utc);
    return time.toLocalTime().toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
}

QString grouped(const QString& hash, bool twoLines) {
    QStringList groups;
    for (qsizetype i = 0; i < hash.size(); i += 8)
        groups << escaped(hash.mid(i, 8)) + (twoLines && i == 24 ? QStringLiteral("<br/>") : QStringLiteral(" "));
    return QStringLiteral("<span class=\"hash\">%1</span>").arg(groups.join(QString()).trimmed());
}

QString value(const QJsonValue& v) {
    return v.isNull() || v.isUndefined() ? QString() : escaped(v.toString());
}

QString none() {
    return QStringLiteral("<p>Tidak ada.</p>");
}

QString title(const QString& title, const QString& eventName) {
    QString html = QStringLiteral("<h1 align=\"center\">%1</h1>").arg(escaped(title));
    if (!eventName.isEmpty()) html += QStringLiteral("<h2 align=\"center\">%1</h2>").arg(escaped(eventName));
    return html;
}

QString madeWith(const QString& program, const QString& version, const QDateTime& madeAt) {
    const QDateTime made = madeAt.toLocalTime();
    return QStringLiteral("<p align=\"center\">Dibuat dengan %1 versi %2 pada %3 pukul %4 (waktu setempat)</p>")
        .arg(escaped(program), escaped(version), kIndonesian.toString(made.date(), QStringLiteral("dddd, d MMMM yyyy")),
             made.toString(QStringLiteral("HH.mm")));
}

QString journalCheck(const record::Verification& check, Tables& tables, int number, const QString& intact) {
    QString html = tables.section(number, QStringLiteral("Pemeriksaan jurnal"), false);
    html += QStringLiteral("<p>Jumlah entri jurnal: %1<br/>Hash terakhir:<br/>%2</p>")
                .arg(check.entryCount())
                .arg(check.entryCount() ? grouped(check.lastHash()) : QStringLiteral("-"));
    if (check.outcome() == record::Verification::Outcome::Intact)
        return html + QStringLiteral("<p>Hasil pemeriksaan (tombolika --verify): <b>UTUH</b>. %1</p>").arg(intact);
    html += QStringLiteral("<p>Hasil pemeriksaan (tombolika --verify): <b>TIDAK UTUH</b>.</p><p>%1</p>")
                .arg(escaped(check.verdict()));
    QString problems;
    for (const QString& problem : check.problems())
        problems += QStringLiteral("<li>%1</li>").arg(escaped(problem));
    if (!problems.isEmpty()) html += QStringLiteral("<ul>%1</ul>").arg(problems);
    return html;
}

QString signatures(const QStringList& roles) {
    QString rows;
    for (qsizetype i = 0; i < roles.size(); i += 2) {
        rows += QStringLiteral("<tr>");
        for (qsizetype j = i; j < i + 2; ++j)
            rows += j < roles.size()
                        ? QStringLiteral("<td width=\"50%\" align=\"center\">%1<br/><br/><br/><br/><br/>"
                                         "(...................................................)<br/>Nama:</td>")
                              .arg(roles[j])
                        : QStringLiteral("<td width=\"50%\"></td>");
        rows += QStringLiteral("</tr>");
    }
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"8\">%1</table>").arg(rows);
}

QStringList drawSigners() {
    return {QStringLiteral("Penyelenggara"), QStringLiteral("Notaris"), QStringLiteral("Saksi 1"),
            QStringLiteral("Saksi 2")};
}

QString Tables::section(int number, const QString& title, bool withTable) const {
    return heading(3, QStringLiteral("%1. %2").arg(number).arg(title), withTable);
}

QString Tables::heading(int level, const QString& title, bool withTable) const {
    const int number = m_headings++;
    const bool newPage = (withTable && breaksBefore(m_tables, 0)) || m_printing.headingBreaks.count(number) > 0;
    return QStringLiteral("<h%1%2>%3</h%1>")
        .arg(level)
        .arg(newPage ? QStringLiteral(" style=\"page-break-before: always\"") : QString())
        .arg(title);
}

QString Tables::table(const QStringList& heading, const QList<QStringList>& rows, const QList<int>& widths,
                      const QList<int>& whole) {
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

bool Tables::breaksBefore(int table, int row) const {
    const auto breaks = m_printing.breaks.find(table);
    return breaks != m_printing.breaks.end() && breaks->second.count(row);
}

QString Tables::start(int table, int firstRow, const QString& head) {
    pieces.push_back({table, firstRow});
    return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"%1>")
               .arg(firstRow > 0 ? QStringLiteral(" style=\"page-break-before: always\"") : QString()) +
           head;
}

namespace {

int pageOf(qreal y, qreal pageHeight) {
    return static_cast<int>(std::floor(y / pageHeight));
}

// The top and the bottom of a table row's text in the laid-out document.
std::pair<qreal, qreal> rowExtent(QAbstractTextDocumentLayout* layout, const QTextTable* table, int row) {
    qreal top = std::numeric_limits<qreal>::max();
    qreal bottom = std::numeric_limits<qreal>::lowest();
    for (int column = 0; column < table->columns(); ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        for (auto it = cell.begin(); !it.atEnd(); ++it) {
            if (!it.currentBlock().isValid()) continue;
            const QRectF place = layout->blockBoundingRect(it.currentBlock());
            top = std::min(top, place.top());
            bottom = std::max(bottom, place.bottom());
        }
    }
    return {top, bottom};
}

// The title of the section a table is in.
QTextBlock titleBefore(const QTextDocument& document, const QTextTable* table) {
    for (QTextBlock block = document.findBlock(table->firstPosition()).previous(); block.isValid();
         block = block.previous())
        if (block.blockFormat().headingLevel() > 0) return block;
    return {};
}

// The printed tables in the order of their pieces.
QList<QTextTable*> printedTables(const QTextDocument& document, std::size_t pieces) {
    QList<QTextTable*> tables;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame); table && static_cast<std::size_t>(tables.size()) < pieces)
            tables << table;
    return tables;
}

// Where the layout parts what belongs together, and what must begin a new page for it: a table's row (the table and
// the row), or a heading without a table of its own (its number among the Tables' headings).
struct Break {
    qreal top = 0; // where the part moved begins, to mend the first one first
    std::optional<std::pair<int, int>> row;
    int heading = -1;
};

// The first heading without a table of its own that ends a page: the text after it is on the next page. Headings
// followed by a table are kept with it by the table's own break. Headings one right after the other (a section's
// title and its first sub-heading) go over together: the first of them begins the new page.
std::optional<Break> headingBreak(const QTextDocument& document, const Printing& printing, qreal pageHeight) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    int number = -1;
    int first = -1; // the first of the headings right before this one, and where it begins
    qreal firstTop = 0;
    bool afterHeading = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // The Tables' headings are levels 3 to 5; a document's own title above them is not counted.
        if (block.blockFormat().headingLevel() < 3) {
            afterHeading = false;
            continue;
        }
        ++number;
        const qreal top = layout->blockBoundingRect(block).top();
        if (!afterHeading) {
            first = number;
            firstTop = top;
        }
        afterHeading = true;
        const QTextBlock next = block.next();
        if (!next.isValid() || next.blockFormat().headingLevel() >= 3 || QTextCursor(next).currentTable() ||
            printing.headingBreaks.count(first))
            continue;
        // Where the text after it begins: its first line, which the layout may have put on the next page while
        // the block's margin stays on this one.
        qreal nextText = layout->blockBoundingRect(next).top();
        if (next.layout() && next.layout()->lineCount() > 0) nextText += next.layout()->lineAt(0).rect().bottom() - 0.5;
        if (pageOf(firstTop, pageHeight) != pageOf(nextText, pageHeight)) return Break{firstTop, std::nullopt, first};
    }
    return std::nullopt;
}

// The first place where the layout parts what belongs together: a table row over two pages, a table's first row on
// another page than its section's title, or a heading at a page's foot.
std::optional<Break> nextBreak(const QTextDocument& document, const std::vector<Piece>& pieces,
                               const Printing& printing, qreal pageHeight) {
    std::optional<Break> heading = headingBreak(document, printing, pageHeight);
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const QList<QTextTable*> tables = printedTables(document, pieces.size());
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const Piece& piece = pieces[static_cast<std::size_t>(i)];
        const auto breaks = printing.breaks.find(piece.table);
        const bool movedWhole = breaks != printing.breaks.end() && breaks->second.count(0);
        for (int r = 1; r < tables[i]->rows(); ++r) { // row 0 is the heading
            const int row = piece.firstRow + r - 1;
            const auto [top, bottom] = rowExtent(layout, tables[i], r);
            bool parted = pageOf(top, pageHeight) != pageOf(bottom - 0.5, pageHeight);
            if (row == 0) {
                const QTextBlock title = titleBefore(document, tables[i]);
                parted = parted || (title.isValid() && pageOf(layout->blockBoundingRect(title).top(), pageHeight) !=
                                                           pageOf(top, pageHeight));
            }
            // A row that begins a page already and still runs over is longer than a page: nothing to do.
            const bool beginsPage = r == 1 && (row > 0 || movedWhole);
            if (parted && !beginsPage) {
                if (heading && heading->top < top) return heading;
                return Break{top, std::pair{piece.table, row}, -1};
            }
        }
    }
    return heading;
}

} // namespace

QString html(const Build& build) {
    const Printing printing;
    Tables tables(printing);
    return build(tables);
}

void writePdf(const Build& build, const QString& title, const QString& creator, const QString& path) {
    // Laid out in memory, then written whole or not at all, as the winners export is.
    files::ExportFile file(path);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setTitle(title);
    writer.setCreator(creator);
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 14),
                                     QPageLayout::Millimeter));

    QTextDocument document;
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Arial")});
    font.setPointSizeF(9.5);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(
        QStringLiteral("h1 { font-size: 15pt; } h2 { font-size: 12pt; } h3 { font-size: 11pt; margin-top: 14px; } h4 { "
                       "font-size: 10pt; margin-top: 10px; } "
                       "h5 { font-size: 9.5pt; margin-top: 6px; } th { background-color: #e8e8e8; } "
                       ".hash { font-family: 'DejaVu Sans Mono', 'Courier New', monospace; }"));
    document.documentLayout()->setPaintDevice(&writer);

    // The page's body above a line for its number.
    const QFontMetricsF footerMetrics(font, &writer);
    const qreal footer = footerMetrics.height() * 2;
    const QSizeF body(writer.width(), writer.height() - footer);
    document.setPageSize(body);

    // Laid out again until nothing that belongs together is parted: each round gives one more table row a new page.
    Printing printing;
    for (;;) {
        QTextOption wrapping = document.defaultTextOption();
        wrapping.setWrapMode(printing.wholeWords ? QTextOption::WordWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
        document.setDefaultTextOption(wrapping);
        Tables tables(printing);
        document.setHtml(build(tables));
        if (printing.wholeWords && document.documentLayout()->documentSize().width() > body.width() + 1) {
            printing = Printing{false, {}, {}};
            continue;
        }
        const auto next = nextBreak(document, tables.pieces, printing, body.height());
        if (!next) break;
        if (next->row)
            printing.breaks[next->row->first].insert(next->row->second);
        else
            printing.headingBreaks.insert(next->heading);
    }

    // The signatures stay on one page: when their table would run over a page's end, it starts on the next page.
    if (QTextTable* signatures = qobject_cast<QTextTable*>(
            document.rootFrame()->childFrames().value(document.rootFrame()->childFrames().size() - 1))) {
        const QRectF place = document.documentLayout()->frameBoundingRect(signatures);
        if (static_cast<int>(place.top() / body.height()) != static_cast<int>(place.bottom() / body.height())) {
            QTextTableFormat format = signatures->format();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            signatures->setFormat(format);
        }
    }

    QPainter painter;
    if (!painter.begin(&writer)) throw platform::Error("Cannot write '" + path.toStdString() + "'");
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) writer.newPage();
        painter.save();
        // Only this page's part of the body: a table running on to the next page must not draw into the footer. The
        // clip reaches a little into the side margins, where the tables' outer borders lie.
        const qreal side = writer.resolution() / 10.0;
        painter.setClipRect(QRectF(-side, 0, body.width() + 2 * side, body.height()));
        painter.translate(0, -page * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(0, page * body.height(), body.width(), body.height());
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(font);
        painter.drawText(QRectF(0, body.height(), body.width(), footer), Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Halaman %1 dari %2").arg(page + 1).arg(pages));
    }
    if (!painter.end()) throw platform::Error("Cannot write '" + path.toStdString() + "'");
    file.write(std::string_view(pdf.data().constData(), static_cast<std::size_t>(pdf.data().size())));
    file.commit();
}

} // namespace document
