#include "core/minutes/PrizeReport.h"

#include "core/minutes/Document.h"
#include "core/record/Journal.h"

#include <map>

namespace {

using document::escaped;
using document::none;
using document::Tables;
using document::value;
using Winner = record::Verification::Winner;
using State = core::Handover::State;

// A prize outside the plan as its winners' rows name it.
QString prizeName(const Winner& winner) {
    const QString name = winner.values.at(2).toString();
    return name.trimmed().isEmpty() ? QStringLiteral("(tanpa nama hadiah)") : name;
}

// The winners whose prize is in this state, each as [No, Hadiah, Nomor Undian, Nama] and, handed over, the day.
QList<QStringList> winnersIn(const std::vector<PrizeReport::Prize>& prizes, State state) {
    QList<QStringList> rows;
    for (const PrizeReport::Prize& prize : prizes)
        for (const Winner* w : prize.winners) {
            if (w->handover.state != state) continue;
            QStringList row{QString::number(rows.size() + 1), escaped(prize.name), value(w->values.at(0)),
                            value(w->values.at(1))};
            if (state == State::HandedOver) row << w->handover.date.toString(QStringLiteral("dd-MM-yyyy"));
            rows << row;
        }
    return rows;
}

QString reportHtml(const record::Verification& check, const Minutes::Header& header, Tables& tables) {
    const std::vector<PrizeReport::Prize> prizes = PrizeReport::prizes(check);
    QString html = Minutes::titleHtml(QStringLiteral("LAPORAN HADIAH"), check, header);
    html += QStringLiteral("<p>Laporan penyerahan hadiah undian: untuk setiap hadiah, berapa yang diserahkan kepada "
                           "pemenangnya, yang tidak diambil, yang belum diserahkan, dan yang tidak diundi.</p>");

    int number = 0;
    QList<QStringList> summary;
    std::int64_t total[5] = {};
    for (const PrizeReport::Prize& prize : prizes) {
        const std::int64_t counts[5] = {prize.quantity.value_or(static_cast<std::int64_t>(prize.winners.size())),
                                        prize.handedOver, prize.notTaken, prize.pending, prize.open()};
        QStringList row{QString::number(summary.size() + 1), escaped(prize.name)};
        for (int i = 0; i < 5; ++i) {
            row << (i == 4 && !prize.quantity ? QStringLiteral("-") : QString::number(counts[i]));
            total[i] += counts[i];
        }
        summary << row;
    }
    if (!summary.isEmpty()) {
        QStringList row{QString(), QStringLiteral("<b>Jumlah</b>")};
        for (std::int64_t count : total)
            row << QStringLiteral("<b>%1</b>").arg(count);
        summary << row;
    }
    html += tables.section(++number, QStringLiteral("Ringkasan"), !summary.isEmpty());
    html += summary.isEmpty() ? none()
                              : tables.table({QStringLiteral("No"), QStringLiteral("Hadiah"), QStringLiteral("Jumlah"),
                                              QStringLiteral("Diserahkan"), QStringLiteral("Tidak diambil"),
                                              QStringLiteral("Belum diserahkan"), QStringLiteral("Tidak diundi")},
                                             summary, {6, 30, 10, 13, 13, 15, 13});

    const QStringList winnerHeading{QStringLiteral("No"), QStringLiteral("Hadiah"), QStringLiteral("Nomor Undian"),
                                    QStringLiteral("Nama")};
    const auto winnersSection = [&](const QString& title, State state) {
        const QList<QStringList> rows = winnersIn(prizes, state);
        html += tables.section(++number, title, !rows.isEmpty());
        if (rows.isEmpty()) {
            html += none();
        } else if (state == State::HandedOver) {
            html += tables.table(winnerHeading + QStringList{QStringLiteral("Tanggal Diserahkan")}, rows,
                                 {6, 24, 20, 32, 18}, {2});
        } else {
            html += tables.table(winnerHeading, rows, {6, 28, 22, 44}, {2});
        }
    };
    winnersSection(QStringLiteral("Hadiah yang diserahkan"), State::HandedOver);
    winnersSection(QStringLiteral("Hadiah yang tidak diambil"), State::NotTaken);
    winnersSection(QStringLiteral("Hadiah yang belum diserahkan"), State::Pending);

    QList<QStringList> left;
    for (const PrizeReport::Prize& prize : prizes)
        if (prize.open() > 0)
            left << QStringList{QString::number(left.size() + 1), escaped(prize.name), QString::number(prize.open())};
    html += tables.section(++number, QStringLiteral("Hadiah yang tidak diundi"), !left.isEmpty());
    html += left.isEmpty() ? none()
                           : tables.table({QStringLiteral("No"), QStringLiteral("Hadiah"), QStringLiteral("Jumlah")},
                                          left, {8, 72, 20});

    html += document::journalCheck(check, tables, ++number,
                                   QStringLiteral("Setiap pemenang dan setiap penyerahan hadiah tercatat di jurnal."));
    html += QStringLiteral("<p>Demikian laporan ini dibuat dengan sebenarnya untuk dapat dipergunakan sebagaimana "
                           "mestinya.</p>");
    html += document::signatures({QStringLiteral("Penyelenggara"), QStringLiteral("Saksi")});
    return html;
}

} // namespace

std::vector<PrizeReport::Prize> PrizeReport::prizes(const record::Verification& check) {
    std::vector<Prize> prizes;
    std::map<std::int64_t, std::size_t> ofPlan; // urut -> index
    std::map<QString, std::size_t> outsidePlan; // name -> index
    for (const auto& planned : check.plan()) {
        ofPlan[planned.urut] = prizes.size();
        prizes.push_back({planned.name, planned.quantity, {}, 0, 0, 0});
    }
    for (const Winner& winner : check.winners()) {
        if (winner.gone()) continue;
        std::size_t at = 0;
        if (const auto planned = winner.prize ? ofPlan.find(*winner.prize) : ofPlan.end(); planned != ofPlan.end()) {
            at = planned->second;
        } else {
            const QString name = prizeName(winner);
            const auto [place, added] = outsidePlan.emplace(name, prizes.size());
            if (added) prizes.push_back({name, std::nullopt, {}, 0, 0, 0});
            at = place->second;
        }
        Prize& prize = prizes[at];
        prize.winners.push_back(&winner);
        switch (winner.handover.state) {
        case State::HandedOver:
            ++prize.handedOver;
            break;
        case State::NotTaken:
            ++prize.notTaken;
            break;
        case State::Pending:
            ++prize.pending;
            break;
        }
    }
    return prizes;
}

QString PrizeReport::html(const record::Verification& check, const Minutes::Header& header) {
    return document::html([&](Tables& tables) { return reportHtml(check, header, tables); });
}

void PrizeReport::writePdf(const record::Verification& check, const Minutes::Header& header, const QString& path) {
    document::writePdf([&](Tables& tables) { return reportHtml(check, header, tables); },
                       QStringLiteral("Laporan Hadiah"), header.creator(), path);
}

record::Verification::Outcome PrizeReport::writeOfDatabase(record::Journal& journal, const std::string& databasePath,
                                                           const QString& path) {
    const auto check = Minutes::checkOfDatabase(journal, databasePath);
    writePdf(check, Minutes::headerNow(), path);
    return check.outcome();
}
