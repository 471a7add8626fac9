#include "core/minutes/Minutes.h"

#include "platform/db/Connection.h"

#include "core/Version.h"
#include "core/minutes/Document.h"
#include "core/record/Journal.h"
#include "core/record/Verification.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

// The minutes are printed in the look of the program's documents.
using document::escaped;
using document::grouped;
using document::localTime;
using document::none;
using document::Tables;
using document::value;

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

QString hashLine(const QString& what, const std::string& hex) {
    return QStringLiteral("%1: %2").arg(what, grouped(QString::fromStdString(hex)));
}

// Every seal of a keyed draw, its key and its picks: what anyone recomputes the winners from.
QString keyedHtml(const record::Verification& check, Tables& tables, int number) {
    QString html = tables.section(number, QStringLiteral("Undian terverifikasi"), false);
    html += QStringLiteral("<p>Pemenang undian terverifikasi ditentukan oleh kunci undian dari segel dan nilai-nilai "
                           "publik; siapa pun dapat menghitungnya ulang dari daftar publik, segel dan nilai-nilai "
                           "ini.</p>");
    int count = 0;
    for (const verifiable::Seal& seal : check.seals()) {
        html += tables.heading(
            4, QStringLiteral("Segel %1, %2 (entri #%3)").arg(++count).arg(localTime(seal.time)).arg(seal.entry),
            false);
        if (!seal.on) {
            html += QStringLiteral("<p>Undian Terverifikasi dimatikan: putaran sesudahnya diundi acak.</p>");
            continue;
        }
        QStringList sources;
        for (const QString& source : seal.sources)
            sources << escaped(source);
        html += QStringLiteral("<p>Peserta: %1<br/>%2<br/>%3<br/>%4<br/>R: <span class=\"hash\">%5</span><br/>Sumber "
                               "nilai publik: %6<br/>Nilai saksi: %7</p>")
                    .arg(seal.count)
                    .arg(hashLine(QStringLiteral("L"), seal.participants),
                         hashLine(QStringLiteral("Lp"), seal.publicList), hashLine(QStringLiteral("P"), seal.plan),
                         QString::fromStdString(verifiable::ruleText(seal.leaveWinnersOut)),
                         sources.join(QStringLiteral("; ")))
                    .arg(seal.witnesses);
    }
    for (const auto& event : check.keyedEvents()) {
        if (!event.key) continue;
        const verifiable::FixedKey& key = *event.key;
        QStringList values;
        for (std::size_t at = 0; at < key.publicValues.size(); ++at)
            values << QStringLiteral("V%1 (%2): %3")
                          .arg(at + 1)
                          .arg(escaped(event.seal.sources.value(static_cast<qsizetype>(at))),
                               escaped(key.publicValues[at]));
        for (std::size_t at = 0; at < key.witnessValues.size(); ++at)
            values << QStringLiteral("W%1: %2").arg(at + 1).arg(escaped(key.witnessValues[at]));
        html += tables.heading(4,
                               QStringLiteral("Kunci undian segel entri #%1, %2 (entri #%3)")
                                   .arg(event.seal.entry)
                                   .arg(localTime(key.time))
                                   .arg(key.entry),
                               !event.picks.empty());
        html += QStringLiteral("<p>%1<br/>K: %2</p>")
                    .arg(values.join(QStringLiteral("<br/>")), grouped(QString::fromLatin1(key.key.toHex())));
        QList<QStringList> picks;
        for (const verifiable::Pick& pick : event.picks) {
            QString prize = QString::number(pick.prize);
            for (const verifiable::PrizeRow& row : event.seal.prizes)
                if (row.urut == pick.prize) prize += QStringLiteral(". ") + escaped(QString::fromStdString(row.hadiah));
            picks << QStringList{QString::number(pick.i),
                                 prize,
                                 QString::number(pick.rank),
                                 QString::number(pick.n),
                                 pick.number ? escaped(QString::fromStdString(*pick.number))
                                             : QStringLiteral("(kosong)"),
                                 pick.forfeited ? QStringLiteral("gugur") : QString()};
        }
        if (!picks.isEmpty())
            html += tables.table({QStringLiteral("i"), QStringLiteral("Hadiah"), QStringLiteral("Urutan"),
                                  QStringLiteral("n"), QStringLiteral("Nomor Undian"), QStringLiteral("Keterangan")},
                                 picks, {7, 33, 11, 11, 24, 14}, {4});
        html += event.recomputed
                    ? QStringLiteral("<p>Dihitung ulang dari daftar peserta: %1 dari %2 pengambilan sesuai "
                                     "dengan kunci undian.</p>")
                          .arg(event.agreeing)
                          .arg(event.picks.size())
                    : QStringLiteral("<p>Pengambilan tidak dapat dihitung ulang: lihat hasil pemeriksaan "
                                     "jurnal.</p>");
    }
    return html;
}

// The whole document, its tables built by `tables`.
QString minutesHtml(const record::Verification& check, const Minutes::Header& header, Tables& tables) {
    QString html = Minutes::titleHtml(QStringLiteral("BERITA ACARA PENGUNDIAN"), check, header);

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
    if (!check.seals().empty()) html += keyedHtml(check, tables, ++number);

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

    html +=
        document::journalCheck(check, tables, ++number,
                               QStringLiteral("Rantai jurnal tidak terputus, setiap pemenang tercatat di jurnal, dan "
                                              "daftar peserta tidak diubah di luar program."));

    html += QStringLiteral("<p>Demikian berita acara ini dibuat dengan sebenarnya untuk dapat dipergunakan "
                           "sebagaimana mestinya.</p>");
    html += document::signatures(document::drawSigners());
    return html;
}

} // namespace

QString Minutes::titleHtml(const QString& title, const record::Verification& check, const Header& header) {
    QString html = document::title(title, check.eventName());
    html += document::madeWith(header.program, header.version, header.madeAt);
    // A server's database is named by its address (never with its password), a file by its full path.
    if (db::isServerAddress(check.path()))
        html += QStringLiteral("<p>Basis data: %1</p>").arg(escaped(QString::fromStdString(check.path())));
    else
        html += QStringLiteral("<p>Berkas data: %1</p>")
                    .arg(escaped(QFileInfo(QString::fromStdString(check.path())).absoluteFilePath()));
    return html;
}

QString Minutes::html(const record::Verification& check, const Header& header) {
    return document::html([&](Tables& tables) { return minutesHtml(check, header, tables); });
}

void Minutes::writePdf(const record::Verification& check, const Header& header, const QString& path) {
    document::writePdf([&](Tables& tables) { return minutesHtml(check, header, tables); },
                       QStringLiteral("Berita Acara Pengundian"), header.creator(), path);
}

Minutes::Header Minutes::headerNow() {
    const QString documentation =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TOMBOLIKA_RECORD_DOC));
    return {program::Title, program::Version, QDateTime::currentDateTime(),
            QFileInfo::exists(documentation) ? documentation : QString()};
}

record::Verification Minutes::checkOfDatabase(record::Journal& journal, const std::string& databasePath) {
    journal.ensureStarted();
    auto check = record::Verification::of(databasePath);
    if (check.outcome() == record::Verification::Outcome::Unreadable)
        throw platform::Error(check.verdict().toStdString());
    return check;
}

record::Verification::Outcome Minutes::writeOfDatabase(record::Journal& journal, const std::string& databasePath,
                                                       const QString& path) {
    const auto check = checkOfDatabase(journal, databasePath);
    writePdf(check, headerNow(), path);
    return check.outcome();
}
