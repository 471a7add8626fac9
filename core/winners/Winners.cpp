#include "core/winners/Winners.h"

#include "core/plan/PrizePlan.h"
#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "core/winners/ExportLine.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"
#include "platform/files/ExportFile.h"
#include "platform/sheets/XlsxWriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

namespace core {

std::size_t Winners::exportTo(db::TableCursor& winners, const QString& path) {
    files::ExportFile file(path);
    file.writeLine(kExportHeader);
    winners.first();

    // The lines are read straight from the cursor's snapshot, so a grid on it does not follow a million moves.
    const std::size_t rows = winners.recordCount();
    std::string line;
    for (std::size_t row = 0; row < rows; ++row) {
        exportLine(row + 1, winners, row, line);
        try {
            file.writeLine(line);
        } catch (...) {
            winners.moveTo(row); // the row whose line failed
            throw;
        }
    }
    winners.last();
    winners.next();

    const QJsonObject exported{{QStringLiteral("path"), QDir::toNativeSeparators(path)},
                               {QStringLiteral("rows"), static_cast<double>(rows)},
                               {QStringLiteral("sha256"), file.sha256()}};
    m_journal.record(record::event::kExport, exported, [&] { file.commit(); });
    return rows;
}

namespace {

QString text(const db::Statement& statement, int column) {
    const std::string_view bytes = statement.columnText(column);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// When each winner row was saved or typed in, as the journal says: by the row's key, the last entry that made it
// (a key freed by a deletion may be given to a later row).
std::map<std::int64_t, QDateTime> savedTimes(db::Connection& connection) {
    std::map<std::int64_t, QDateTime> times;
    if (!connection.hasTable(record::Journal::kTable)) return times;
    db::Statement entries(connection,
                          "SELECT waktu, jenis, rincian FROM tb_jurnal WHERE jenis IN (?,?,?) ORDER BY urut");
    entries.bindText(1, record::event::kWinnerSaved);
    entries.bindText(2, record::event::kWinnerAdded);
    entries.bindText(3, record::event::kRoundSaved);
    while (entries.step()) {
        const QDateTime time = QDateTime::fromString(text(entries, 0), Qt::ISODateWithMs);
        const QJsonObject details = QJsonDocument::fromJson(text(entries, 2).toUtf8()).object();
        const QJsonArray saved = text(entries, 1) == QLatin1String(record::event::kRoundSaved)
                                     ? details.value(QStringLiteral("winners")).toArray()
                                     : QJsonArray{details};
        for (const QJsonValue& winner : saved)
            times[static_cast<std::int64_t>(winner.toObject().value(QStringLiteral("rowid")).toDouble())] = time;
    }
    return times;
}

} // namespace

const QStringList& Winners::sheetHeading() {
    static const QStringList heading{QStringLiteral("No"),           QStringLiteral("Nomor Undian"),
                                     QStringLiteral("Nama"),         QStringLiteral("HP"),
                                     QStringLiteral("Hadiah"),       QStringLiteral("Waktu Disimpan"),
                                     QStringLiteral("Serah Terima"), QStringLiteral("Tanggal Diserahkan")};
    return heading;
}

std::vector<Winners::SheetRow> Winners::sheetRows() const {
    std::vector<SheetRow> rows;
    std::vector<std::int64_t> keys;
    const std::string rowKey = db::Connection::kRowKey;
    db::Statement winners(m_connection, "SELECT " + rowKey + ", * FROM tb_pemenang ORDER BY " + rowKey);
    while (winners.step()) {
        keys.push_back(winners.columnInt(0));
        rows.push_back({text(winners, 1), text(winners, 2), {}, text(winners, 3), {}, {}});
    }

    // The phone: a winner of a round of the plan by its participant's ID; another by its draw number, the name
    // deciding where several participants share it.
    std::map<std::int64_t, std::int64_t> participantOf; // winner row -> ID
    if (m_connection.hasTable(PrizePlan::kWinners)) {
        db::Statement records(m_connection, "SELECT pemenang, id_peserta FROM tb_pemenang_hadiah");
        while (records.step())
            participantOf[records.columnInt(0)] = records.columnInt(1);
    }
    if (m_connection.hasTable("tb_peserta")) {
        std::multimap<QString, std::pair<QString, QString>> byNumber; // no_undian -> (nama, hp)
        db::Statement numbers(m_connection, "SELECT no_undian, nama, hp FROM tb_peserta WHERE no_undian IN "
                                            "(SELECT no_undian FROM tb_pemenang)");
        while (numbers.step())
            byNumber.emplace(text(numbers, 0), std::pair{text(numbers, 1), text(numbers, 2)});
        db::Statement byId(m_connection, "SELECT hp FROM tb_peserta WHERE ID=?");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SheetRow& row = rows[i];
            if (const auto id = participantOf.find(keys[i]); id != participantOf.end()) {
                byId.reset();
                byId.bindInt(1, id->second);
                if (byId.step()) row.phone = text(byId, 0);
                continue;
            }
            const auto [first, last] = byNumber.equal_range(row.number);
            if (first == last) continue;
            if (std::next(first) == last) {
                row.phone = first->second.second;
                continue;
            }
            for (auto it = first; it != last; ++it)
                if (it->second.first == row.name) {
                    row.phone = it->second.second;
                    break;
                }
        }
    }

    const std::map<std::int64_t, QDateTime> times = savedTimes(m_connection);
    const std::map<std::int64_t, Handover> handovers = Handovers(m_connection, m_journal).all();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const auto time = times.find(keys[i]); time != times.end()) rows[i].saved = time->second;
        if (const auto handover = handovers.find(keys[i]); handover != handovers.end())
            rows[i].handover = handover->second;
    }
    return rows;
}

std::size_t Winners::exportWorkbook(const QString& path) {
    const std::vector<SheetRow> rows = sheetRows();
    sheets::XlsxWriter book(QStringLiteral("Pemenang"), sheetHeading());
    book.setTitle(QStringLiteral("Daftar Pemenang"));
    using Cell = sheets::XlsxWriter::Cell;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SheetRow& row = rows[i];
        book.addRow({Cell::numberCell(static_cast<double>(i + 1)), Cell::textCell(row.number), Cell::textCell(row.name),
                     Cell::textCell(row.phone), Cell::textCell(row.prize), Cell::dateTimeCell(row.saved.toLocalTime()),
                     Cell::textCell(Handover::stateText(row.handover.state)), Cell::dateCell(row.handover.date)});
    }
    files::ExportFile file(path);
    file.write(book.bytes());
    const QJsonObject exported{{QStringLiteral("path"), QDir::toNativeSeparators(path)},
                               {QStringLiteral("format"), QStringLiteral("xlsx")},
                               {QStringLiteral("rows"), static_cast<double>(rows.size())},
                               {QStringLiteral("sha256"), file.sha256()}};
    m_journal.record(record::event::kExport, exported, [&] { file.commit(); });
    return rows.size();
}

} // namespace core
