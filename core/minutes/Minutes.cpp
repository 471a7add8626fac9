#include "core/minutes/Minutes.h"

#include "core/record/Verification.h"
#include "platform/Error.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

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

// A table with its heading row, repeated on every page it runs over.
QString table(const QStringList& heading, const QList<QStringList>& rows, const QList<int>& widths) {
    QString html = QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><thead><tr>");
    for (qsizetype i = 0; i < heading.size(); ++i)
        html += QStringLiteral("<th width=\"%1%\">%2</th>").arg(widths.value(i)).arg(heading[i]);
    html += QStringLiteral("</tr></thead>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row)
            html += QStringLiteral("<td>%1</td>").arg(cell);
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString section(int number, const QString& title) {
    return QStringLiteral("<h3>%1. %2</h3>").arg(number).arg(title);
}

QString none() {
    return QStringLiteral("<p>Tidak ada.</p>");
}

} // namespace

QString Minutes::html(const record::Verification& check, const Header& header) {
    const QDateTime made = header.madeAt.toLocalTime();
    QString html = QStringLiteral("<h1 align=\"center\">BERITA ACARA PENGUNDIAN</h1>");
    html += QStringLiteral("<p align=\"center\">Dibuat dengan %1 versi %2 pada %3 pukul %4 (waktu setempat)</p>")
                .arg(escaped(header.program), escaped(header.version),
                     kIndonesian.toString(made.date(), QStringLiteral("dddd, d MMMM yyyy")),
                     made.toString(QStringLiteral("HH.mm")));
    html += QStringLiteral("<p>Berkas data: %1</p>")
                .arg(escaped(QFileInfo(QString::fromStdString(check.path())).absoluteFilePath()));

    int number = 0;
    html += section(++number, QStringLiteral("Daftar peserta yang diundi"));
    html += QStringLiteral("<p>Setiap kali program dijalankan, daftar peserta yang diundi disegel dengan sidik jari "
                           "SHA-256 atas semua barisnya; cara menghitungnya ulang dijelaskan dalam dokumentasi program "
                           "(docs/record.md).</p>");
    QList<QStringList> lists;
    if (const auto& begun = check.begun()) {
        const QJsonObject list = begun->details.value(QStringLiteral("participants")).toObject();
        lists << QStringList{QString(), localTime(begun->time) + QStringLiteral("<br/>(jurnal dimulai)"),
                             QString::number(list.value(QStringLiteral("count")).toInteger()),
                             grouped(list.value(QStringLiteral("fingerprint")).toString(), true)};
    }
    for (const auto& run : check.runs())
        lists << QStringList{QString(), localTime(run.time),
                             run.participants ? QString::number(*run.participants) : QStringLiteral("-"),
                             run.fingerprint.isEmpty() ? QStringLiteral("-") : grouped(run.fingerprint, true)};
    for (qsizetype i = 0; i < lists.size(); ++i)
        lists[i][0] = QString::number(i + 1);
    html += table({QStringLiteral("No"), QStringLiteral("Program dijalankan"), QStringLiteral("Jumlah peserta"),
                   QStringLiteral("Sidik jari daftar peserta (SHA-256)")},
                  lists, {6, 24, 14, 56});

    html += section(++number, QStringLiteral("Pemenang"));
    QList<QStringList> winners, deleted;
    for (const auto& w : check.winners()) {
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
    html += winners.isEmpty() ? none()
                              : table({QStringLiteral("No"), QStringLiteral("Waktu"), QStringLiteral("Nomor Undian"),
                                       QStringLiteral("Nama"), QStringLiteral("Hadiah")},
                                      winners, {6, 25, 17, 31, 21});

    html += section(++number, QStringLiteral("Pemenang yang dihapus"));
    html += deleted.isEmpty()
                ? none()
                : table({QStringLiteral("No"), QStringLiteral("Disimpan"), QStringLiteral("Dihapus"),
                         QStringLiteral("Nomor Undian"), QStringLiteral("Nama"), QStringLiteral("Hadiah")},
                        deleted, {5, 21, 21, 15, 22, 16});

    html += section(++number, QStringLiteral("Pengundian yang dihentikan tetapi tidak disimpan"));
    QList<QStringList> stops;
    for (const auto& stop : check.unsavedStops()) {
        const QJsonValue rank = stop.details.value(QStringLiteral("rank"));
        stops << QStringList{QString::number(stops.size() + 1), localTime(stop.time),
                             rank.isDouble() ? QStringLiteral("%1 dari %2")
                                                   .arg(rank.toInteger())
                                                   .arg(stop.details.value(QStringLiteral("n")).toInteger())
                                             : QStringLiteral("-"),
                             value(stop.details.value(QStringLiteral("id"))),
                             value(stop.details.value(QStringLiteral("no_undian")))};
    }
    html += stops.isEmpty() ? none()
                            : table({QStringLiteral("No"), QStringLiteral("Waktu"), QStringLiteral("Urutan terundi"),
                                     QStringLiteral("Nomor Urut"), QStringLiteral("Nomor Undian")},
                                    stops, {6, 26, 22, 20, 26});

    html += section(++number, QStringLiteral("Pemeriksaan jurnal"));
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

void Minutes::writePdf(const record::Verification& check, const Header& header, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw platform::Error("Cannot write '" + path.toStdString() + "': " + file.errorString().toStdString());
    QPdfWriter writer(&file);
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
        "h1 { font-size: 15pt; } h3 { font-size: 11pt; margin-top: 14px; } th { background-color: #e8e8e8; } "
        ".hash { font-family: 'DejaVu Sans Mono', 'Courier New', monospace; }"));
    document.documentLayout()->setPaintDevice(&writer);
    document.setHtml(html(check, header));

    // The page's body above a line for its number.
    const QFontMetricsF footerMetrics(font, &writer);
    const qreal footer = footerMetrics.height() * 2;
    const QSizeF body(writer.width(), writer.height() - footer);
    document.setPageSize(body);
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
    painter.end();
    if (!file.commit())
        throw platform::Error("Cannot write '" + path.toStdString() + "': " + file.errorString().toStdString());
}
