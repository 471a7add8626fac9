#include "core/minutes/Minutes.h"

#include "platform/db/Connection.h"

#include "core/Version.h"
#include "core/record/Journal.h"
#include "core/record/Verification.h"
#include "platform/Error.h"
#include "platform/files/ExportFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

const QLocale kIndonesian(QLocale::Indonesian, QLocale::Indonesia);

QString escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
}

// A journal time (UTC) in the machine's local time.
QString localTime(const QString& utc) {
    const QDateTime time = QDateTime::fromString(utc, Qt::ISODateWithMs);
    if (!time.isValid()) return escaped(utc);
    return time.toLocalTime().toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"));
}

// A hash in groups of eight hex digits, for reading aloud and comparing by eye; in a table's narrow column, four
// groups a line.
QString grouped(const QString& hash, bool twoLines = false) {
    QStringList groups;
    for (qsizetype i = 0; i < hash.size(); i += 8)
        groups << escaped(hash.mid(i, 8)) + (twoLines && i == 24 ? QStringLiteral("<br/>") : QStringLiteral(" "));
    return QStringLiteral("<span class=\"hash\">%1</span>").arg(groups.join(QString()).trimmed());
}

QString value(const QJsonValue& v) {
    return v.isNull() || v.isUndefined() ? QString() : escaped(v.toString());
}

// How the minutes are laid out on their pages, found by laying them out: whether draw numbers and words are kept
// whole, and where the tables go on to a new page.
struct Printing {
    // Draw numbers on one line and every word whole. Off when they do not fit a page's width: then Qt breaks them
    // where it must rather than cut them off at the page's edge.
    bool wholeWords = true;
    // Per table, in the order printed: the rows (0 the first below the heading) that begin a new page. At 0 the
    // table's section goes over with it.
    std::map<int, std::set<int>> breaks;
};

// One printed table: a table of the minutes, or a part of one that goes on on a new page.
struct Piece {
    int table = 0;
    int firstRow = 0;
};

// The HTML of the minutes' sections and tables, each table with its heading row, which Qt repeats when a table runs
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

QString none() {
    return QStringLiteral("<p>Tidak ada.</p>");
}

// Per prize of the plan: its quantity, its winners in the order saved, those who forfeited with the reason and the
// winner who took the slot, and the slots still open.
QString planHtml(const record::Verification& check, Tables& tables, int number) {
    QString html = tables.section(number, QStringLiteral("Daftar hadiah"), false);
    html += QStringLiteral("<p>Hadiah diundi menurut daftar hadiah, per putaran. Untuk setiap hadiah: jumlah "
                           "pemenangnya, pemenang menurut urutan disimpan, pemenang yang gugur dengan alasannya dan "
                           "pemenang yang menggantikannya, dan tempat pemenang yang masih kosong.</p>");
    const auto replacedBy = check.replacements();
    for (const auto& prize : check.plan()) {
        QList<QStringList> winners, forfeits;
        for (const auto& w : check.winners())
            if (w.prize == prize.urut && !w.gone())
                winners << QStringList{QString::number(winners.size() + 1), localTime(w.savedTime),
                                       value(w.values.at(0)), value(w.values.at(1))};
        for (std::size_t i = 0; i < check.forfeits().size(); ++i) {
            const auto& f = check.forfeits()[i];
            if (f.prize != prize.urut) continue;
            const auto* by = replacedBy[i];
            forfeits << QStringList{QString::number(forfeits.size() + 1),
                                    localTime(f.time),
                                    escaped(f.number),
                                    escaped(f.name),
                                    escaped(f.reason),
                                    by ? value(by->values.at(0)) + QStringLiteral(" ") + value(by->values.at(1))
                                       : QStringLiteral("belum diganti")};
        }
        const std::int64_t open = std::max<std::int64_t>(0, prize.quantity - winners.size());
        html +=
            tables.heading(4, QStringLiteral("%1. %2").arg(prize.urut).arg(escaped(prize.name)), !winners.isEmpty());
        html += QStringLiteral("<p>Jumlah pemenang: %1 (per putaran %2). Pemenang: %3. Tempat yang masih kosong: "
                               "%4.</p>")
                    .arg(prize.quantity)
                    .arg(prize.perRound)
                    .arg(winners.size())
                    .arg(open);
        if (!winners.isEmpty())
            html += tables.table({QStringLiteral("No"), QStringLiteral("Disimpan"), QStringLiteral("Nomor Undian"),
                                  QStringLiteral("Nama")},
                                 winners, {6, 28, 22, 44}, {2});
        if (!forfeits.isEmpty()) {
            html += tables.heading(5, QStringLiteral("Pemenang yang gugur"), true);
            html += tables.table({QStringLiteral("No"), QStringLiteral("Waktu"), QStringLiteral("Nomor Undian"),
                                  QStringLiteral("Nama"), QStringLiteral("Alasan"), QStringLiteral("Diganti oleh")},
                                 forfeits, {5, 19, 15, 21, 17, 23}, {2});
        }
    }
    return html;
}

// The whole document, its tables built by `tables`.
QString minutesHtml(const record::Verification& check, const Minutes::Header& header, Tables& tables) {
    const QDateTime made = header.madeAt.toLocalTime();
    QString html = QStringLiteral("<h1 align=\"center\">BERITA ACARA PENGUNDIAN</h1>");
    html += QStringLiteral("<p align=\"center\">Dibuat dengan %1 versi %2 pada %3 pukul %4 (waktu setempat)</p>")
                .arg(escaped(header.program), escaped(header.version),
                     kIndonesian.toString(made.date(), QStringLiteral("dddd, d MMMM yyyy")),
                     made.toString(QStringLiteral("HH.mm")));
    // A server's database is named by its address (never with its password), a file by its full path.
    if (db::isServerAddress(check.path()))
        html += QStringLiteral("<p>Basis data: %1</p>").arg(escaped(QString::fromStdString(check.path())));
    else
        html += QStringLiteral("<p>Berkas data: %1</p>")
                    .arg(escaped(QFileInfo(QString::fromStdString(check.path())).absoluteFilePath()));

    int number = 0;
    html += tables.section(++number, QStringLiteral("Daftar peserta yang diundi"), true);
    html += QStringLiteral("<p>Setiap kali program dijalankan atau daftar dimuat ulang, daftar peserta yang diundi "
                           "disegel dengan sidik jari SHA-256 atas semua barisnya; cara menghitungnya ulang dijelaskan "
                           "dalam dokumentasi program (%1).</p>")
                .arg(escaped(header.documentation.isEmpty() ? QStringLiteral("docs/record.md")
                                                            : QDir::toNativeSeparators(header.documentation)));
    QList<QStringList> lists;
    if (const auto& begun = check.begun()) {
        const QJsonObject list = begun->details.value(QStringLiteral("participants")).toObject();
        lists << QStringList{QString(), localTime(begun->time) + QStringLiteral("<br/>(jurnal dimulai)"),
                             QString::number(list.value(QStringLiteral("count")).toInteger()),
                             grouped(list.value(QStringLiteral("fingerprint")).toString(), true)};
    }
    // The lists the winners came from: a run's own, or one it read again ("Muat Ulang Daftar") when the list had
    // been imported or changed while it ran.
    const auto drew = check.runsWithDraws();
    const auto drawnFrom = check.listsDrawnFrom();
    for (const auto& list : drawnFrom)
        lists << QStringList{QString(),
                             localTime(list.time) +
                                 (list.reloaded ? QStringLiteral("<br/>(daftar dimuat ulang)") : QString()),
                             list.participants ? QString::number(*list.participants) : QStringLiteral("-"),
                             list.fingerprint.isEmpty() ? QStringLiteral("-") : grouped(list.fingerprint, true)};
    for (qsizetype i = 0; i < lists.size(); ++i)
        lists[i][0] = QString::number(i + 1);
    html += tables.table({QStringLiteral("No"), QStringLiteral("Daftar dibaca"), QStringLiteral("Jumlah peserta"),
                          QStringLiteral("Sidik jari daftar peserta (SHA-256)")},
                         lists, {6, 24, 14, 56});
    // The runs that drew nothing (started to look, to import the list, to export) only in number, and so the lists
    // the drawing runs read and replaced before anything was drawn from them.
    if (const auto others = check.runs().size() - drew.size(); others > 0)
        html += (drew.empty() ? QStringLiteral("<p>Program dijalankan %1 kali tanpa ada yang diundi, disimpan, atau "
                                               "dihapus.</p>")
                              : QStringLiteral("<p>Selain itu, program dijalankan %1 kali lagi tanpa ada yang diundi, "
                                               "disimpan, atau dihapus.</p>"))
                    .arg(others);
    std::size_t read = 0;
    for (const auto& run : drew)
        read += 1 + run.reloads.size();
    if (read > drawnFrom.size())
        html += QStringLiteral("<p>Daftar peserta juga dibaca %1 kali lagi tanpa ada yang diundi darinya.</p>")
                    .arg(read - drawnFrom.size());

    QList<QStringList> winners, deleted;
    for (const auto& w : check.winners()) {
        if (w.forfeitSeq != 0) continue; // with its prize below
        QString time = w.savedSeq == 0 ? QStringLiteral("sebelum jurnal dimulai") : localTime(w.savedTime);
        if (w.addedInGrid) time += QStringLiteral("<br/>(diketik di tabel pemenang)");
        if (w.changedSeq != 0) time += QStringLiteral("<br/>(diubah kemudian)");
        const QStringList cells{QString(), time, value(w.values.at(0)), value(w.values.at(1)), value(w.values.at(2))};
        if (w.deletedSeq == 0) {
            winners << cells;
        } else {
            QStringList row = cells;
            row.insert(2, localTime(w.deletedTime));
            deleted << row;
        }
    }
    for (qsizetype i = 0; i < winners.size(); ++i)
        winners[i][0] = QString::number(i + 1);
    for (qsizetype i = 0; i < deleted.size(); ++i)
        deleted[i][0] = QString::number(i + 1);
    html += tables.section(++number, QStringLiteral("Pemenang"), !winners.isEmpty());
    html += winners.isEmpty()
                ? none()
                : tables.table({QStringLiteral("No"), QStringLiteral("Waktu"), QStringLiteral("Nomor Undian"),
                                QStringLiteral("Nama"), QStringLiteral("Hadiah")},
                               winners, {6, 25, 17, 31, 21}, {2});

    html += tables.section(++number, QStringLiteral("Pemenang yang dihapus"), !deleted.isEmpty());
    html += deleted.isEmpty()
                ? none()
                : tables.table({QStringLiteral("No"), QStringLiteral("Disimpan"), QStringLiteral("Dihapus"),
                                QStringLiteral("Nomor Undian"), QStringLiteral("Nama"), QStringLiteral("Hadiah")},
                               deleted, {5, 21, 21, 15, 22, 16}, {3});

    if (check.planned()) html += planHtml(check, tables, ++number);

    // The stops not saved, and the picks of the plan's rounds not saved, in the order made.
    std::vector<std::pair<std::int64_t, QStringList>> unsaved;
    for (const auto& stop : check.unsavedStops()) {
        const QJsonValue rank = stop.details.value(QStringLiteral("rank"));
        unsaved.emplace_back(stop.seq,
                             QStringList{localTime(stop.time),
                                         rank.isDouble() ? QStringLiteral("%1 dari %2")
                                                               .arg(rank.toInteger())
                                                               .arg(stop.details.value(QStringLiteral("n")).toInteger())
                                                         : QStringLiteral("-"),
                                         value(stop.details.value(QStringLiteral("id"))),
                                         value(stop.details.value(QStringLiteral("no_undian")))});
    }
    for (const auto& round : check.rounds()) {
        if (round.savedSeq != 0) continue;
        for (const QJsonValue& pick : round.picks) {
            const QJsonObject p = pick.toObject();
            // Among those who might still win the prize, counted from 1 as a stop's rank is.
            unsaved.emplace_back(round.seq, QStringList{localTime(round.time),
                                                        QStringLiteral("%1 dari %2 (hadiah %3)")
                                                            .arg(p.value(QStringLiteral("rank")).toInteger() + 1)
                                                            .arg(p.value(QStringLiteral("n")).toInteger())
                                                            .arg(round.prize),
                                                        QString::number(p.value(QStringLiteral("id")).toInteger()),
                                                        value(p.value(QStringLiteral("no_undian")))});
        }
    }
    std::stable_sort(unsaved.begin(), unsaved.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<QStringList> stops;
    for (const auto& [seq, row] : unsaved)
        stops << (QStringList{QString::number(stops.size() + 1)} + row);
    html +=
        tables.section(++number, QStringLiteral("Pengundian yang dihentikan tetapi tidak disimpan"), !stops.isEmpty());
    html += stops.isEmpty()
                ? none()
                : tables.table({QStringLiteral("No"), QStringLiteral("Waktu"), QStringLiteral("Urutan terundi"),
                                QStringLiteral("Nomor Urut"), QStringLiteral("Nomor Undian")},
                               stops, {6, 26, 22, 20, 26}, {3, 4});

    html += tables.section(++number, QStringLiteral("Pemeriksaan jurnal"), false);
    html += QStringLiteral("<p>Jumlah entri jurnal: %1<br/>Hash terakhir:<br/>%2</p>")
                .arg(check.entryCount())
                .arg(check.entryCount() ? grouped(check.lastHash()) : QStringLiteral("-"));
    if (check.outcome() == record::Verification::Outcome::Intact) {
        html += QStringLiteral("<p>Hasil pemeriksaan (tombolika --verify): <b>UTUH</b>. Rantai jurnal tidak terputus, "
                               "setiap pemenang tercatat di jurnal, dan daftar peserta tidak diubah di luar "
                               "program.</p>");
    } else {
        html += QStringLiteral("<p>Hasil pemeriksaan (tombolika --verify): <b>TIDAK UTUH</b>.</p><p>%1</p>")
                    .arg(escaped(check.verdict()));
        QStringList problems;
        for (const QString& problem : check.problems())
            problems << QStringLiteral("<li>%1</li>").arg(escaped(problem));
        if (!problems.isEmpty()) html += QStringLiteral("<ul>%1</ul>").arg(problems.join(QString()));
    }

    html += QStringLiteral("<p>Demikian berita acara ini dibuat dengan sebenarnya untuk dapat dipergunakan "
                           "sebagaimana mestinya.</p>");
    const auto signature = [](const QString& role) {
        return QStringLiteral("<td width=\"50%\" align=\"center\">%1<br/><br/><br/><br/><br/>"
                              "(...................................................)<br/>Nama:</td>")
            .arg(role);
    };
    html +=
        QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"8\"><tr>%1%2</tr><tr>%3%4</tr></table>")
            .arg(signature(QStringLiteral("Penyelenggara")), signature(QStringLiteral("Notaris")),
                 signature(QStringLiteral("Saksi 1")), signature(QStringLiteral("Saksi 2")));
    return html;
}

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

// The first place where the layout parts what belongs together: a table row over two pages, or a table's first row
// on another page than its section's title. Gives the table and the row that must begin a new page.
std::optional<std::pair<int, int>> nextBreak(const QTextDocument& document, const std::vector<Piece>& pieces,
                                             const Printing& printing, qreal pageHeight) {
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
            if (parted && !beginsPage) return std::pair{piece.table, row};
        }
    }
    return std::nullopt;
}

} // namespace

QString Minutes::html(const record::Verification& check, const Header& header) {
    const Printing printing;
    Tables tables(printing);
    return minutesHtml(check, header, tables);
}

void Minutes::writePdf(const record::Verification& check, const Header& header, const QString& path) {
    // Laid out in memory, then written whole or not at all, as the winners export is.
    files::ExportFile file(path);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setTitle(QStringLiteral("Berita Acara Pengundian"));
    writer.setCreator(header.program + QLatin1Char(' ') + header.version);
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 14),
                                     QPageLayout::Millimeter));

    QTextDocument document;
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Arial")});
    font.setPointSizeF(9.5);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral(
        "h1 { font-size: 15pt; } h3 { font-size: 11pt; margin-top: 14px; } h4 { font-size: 10pt; margin-top: 10px; } "
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
        document.setHtml(minutesHtml(check, header, tables));
        if (printing.wholeWords && document.documentLayout()->documentSize().width() > body.width() + 1) {
            printing = Printing{false, {}};
            continue;
        }
        const auto next = nextBreak(document, tables.pieces, printing, body.height());
        if (!next) break;
        printing.breaks[next->first].insert(next->second);
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

Minutes::Header Minutes::headerNow() {
    const QString documentation =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TOMBOLIKA_RECORD_DOC));
    return {program::Title, program::Version, QDateTime::currentDateTime(),
            QFileInfo::exists(documentation) ? documentation : QString()};
}

record::Verification::Outcome Minutes::writeOfDatabase(record::Journal& journal, const std::string& databasePath,
                                                       const QString& path) {
    journal.ensureStarted();
    const auto check = record::Verification::of(databasePath);
    if (check.outcome() == record::Verification::Outcome::Unreadable)
        throw platform::Error(check.verdict().toStdString());
    writePdf(check, headerNow(), path);
    return check.outcome();
}
