#include "core/plan/PrizePlan.h"

#include "core/plan/PlanImport.h"
#include "core/record/Events.h"
#include "core/record/FileSha256.h"
#include "core/record/Fingerprint.h"
#include "core/record/Journal.h"
#include "core/winners/Handovers.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/RowWriteHook.h"
#include "platform/db/Statement.h"
#include "platform/text/Integer.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace core {

namespace {

constexpr char kPrizesTable[] = "CREATE TABLE IF NOT EXISTS tb_hadiah ("
                                "urut INTEGER PRIMARY KEY, " // the order of the draw
                                "hadiah TEXT, "
                                "jumlah INTEGER, "                // winners of the prize
                                "per_putaran INTEGER DEFAULT 1)"; // winners drawn at once
// Per winner row of a round of the plan: its key in tb_pemenang, the prize, the participant's ID and the round (the
// journal entry of its stop).
constexpr char kWinnersTable[] = "CREATE TABLE IF NOT EXISTS tb_pemenang_hadiah ("
                                 "urut INTEGER PRIMARY KEY, "
                                 "pemenang INTEGER NOT NULL UNIQUE, "
                                 "urut_hadiah INTEGER NOT NULL, "
                                 "id_peserta INTEGER NOT NULL, "
                                 "putaran INTEGER NOT NULL)";
// A winner who forfeited: pemenang is the winner row it removed, NULL for a winner of a round not saved yet.
constexpr char kForfeitsTable[] = "CREATE TABLE IF NOT EXISTS tb_tidak_hadir ("
                                  "urut INTEGER PRIMARY KEY, "
                                  "urut_hadiah INTEGER NOT NULL, "
                                  "id_peserta INTEGER NOT NULL, "
                                  "no_undian TEXT, "
                                  "nama TEXT, "
                                  "alasan TEXT NOT NULL, "
                                  "waktu TEXT NOT NULL, "
                                  "pemenang INTEGER, "
                                  "putaran INTEGER)";

// The event's name: one row, urut 1.
constexpr char kEventTable[] = "CREATE TABLE IF NOT EXISTS tb_acara ("
                               "urut INTEGER PRIMARY KEY, "
                               "nama_acara TEXT NOT NULL)";

QString text(const db::Statement& statement, int column) {
    const std::string_view bytes = statement.columnText(column);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A prize as a message names it: its name in quotes, or its urut when it has none.
QString named(const QString& name, std::int64_t urut) {
    return name.trimmed().isEmpty() ? QStringLiteral("nomor %1").arg(urut) : QStringLiteral("\"%1\"").arg(name);
}

std::int64_t countOf(db::Connection& connection, const char* table, std::int64_t prize) {
    if (!connection.hasTable(table)) return 0;
    db::Statement count(connection, std::string("SELECT count(*) FROM ") + table + " WHERE urut_hadiah=?");
    count.bindInt(1, prize);
    return count.step() ? count.columnInt(0) : 0;
}

// One row of tb_hadiah as a cursor wrote it, by the names of its fields.
struct PrizeRow {
    std::optional<std::int64_t> urut;
    QString name;
    std::optional<std::int64_t> quantity;
    std::optional<std::int64_t> perRound;
};

PrizeRow prizeRow(const std::vector<std::string>& fields, const std::vector<std::optional<std::string>>& values) {
    PrizeRow row;
    for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i) {
        if (!values[i]) continue;
        const std::string& value = *values[i];
        if (fields[i] == "urut")
            row.urut = text::parseInteger(value);
        else if (fields[i] == "hadiah")
            row.name = QString::fromStdString(value);
        else if (fields[i] == "jumlah")
            row.quantity = text::parseInteger(value);
        else if (fields[i] == "per_putaran")
            row.perRound = text::parseInteger(value);
    }
    return row;
}

} // namespace

void PrizePlan::createTables(db::Connection& connection) {
    for (const char* table : {kPrizesTable, kWinnersTable, kForfeitsTable, kEventTable})
        connection.exec(table);
    Handovers::createTable(connection);
}

const QStringList& PrizePlan::reasons() {
    static const QStringList reasons{QStringLiteral("tidak hadir"), QStringLiteral("tidak memenuhi syarat"),
                                     QStringLiteral("menolak hadiah")};
    return reasons;
}

void PrizePlan::read() {
    // Read whole before anything changes: a read that fails leaves the plan read before.
    std::vector<Prize> prizesRead;
    std::vector<PrizePick> picksRead;
    QString eventName;
    if (m_connection.hasTable(kEvent)) {
        db::Statement name(m_connection, "SELECT nama_acara FROM tb_acara ORDER BY urut LIMIT 1");
        if (name.step()) eventName = text(name, 0);
    }
    if (!m_connection.hasTable(kPrizes)) {
        m_prizes.clear();
        m_picks.clear();
        m_eventName = eventName;
        return;
    }
    db::Statement prizes(m_connection, "SELECT urut, hadiah, jumlah, per_putaran FROM tb_hadiah ORDER BY urut");
    while (prizes.step()) {
        Prize prize;
        prize.urut = prizes.columnInt(0);
        prize.name = text(prizes, 1);
        prize.quantity = prizes.columnIsNull(2) ? 0 : prizes.columnInt(2);
        // A plan written by another tool may hold anything: a round draws 1 to 50.
        const std::int64_t perRound = prizes.columnIsNull(3) ? 1 : prizes.columnInt(3);
        prize.perRound = static_cast<int>(std::clamp<std::int64_t>(perRound, 1, kLargestRound));
        prizesRead.push_back(prize);
    }
    auto readPicks = [&](const char* table, std::int64_t Prize::*count) {
        if (!m_connection.hasTable(table)) return;
        db::Statement picks(m_connection, std::string("SELECT urut_hadiah, id_peserta FROM ") + table);
        while (picks.step()) {
            const PrizePick pick{picks.columnInt(0), picks.columnInt(1)};
            picksRead.push_back(pick);
            for (Prize& prize : prizesRead)
                if (prize.urut == pick.prize) ++(prize.*count);
        }
    };
    readPicks(kWinners, &Prize::drawn);
    readPicks(kForfeits, &Prize::forfeited);
    m_prizes = std::move(prizesRead);
    m_picks = std::move(picksRead);
    m_eventName = eventName;
}

bool PrizePlan::setEventName(const QString& name) {
    const QString after = name.simplified();
    if (after.size() > kLongestEventName)
        throw platform::Error(QStringLiteral("Nama acara paling panjang %1 huruf, bukan %2")
                                  .arg(kLongestEventName)
                                  .arg(after.size())
                                  .toStdString());
    m_journal.ensureStarted();
    db::Transaction transaction(m_connection);
    createTables(m_connection);
    db::Statement now(m_connection, "SELECT urut, nama_acara FROM tb_acara ORDER BY urut LIMIT 1");
    const bool stored = now.step();
    const QString before = stored ? text(now, 1) : QString();
    if (stored && before == after) return false;
    if (!stored && after.isEmpty()) return false;
    db::Statement write(m_connection, stored ? "UPDATE tb_acara SET nama_acara=? WHERE urut=?"
                                             : "INSERT INTO tb_acara (nama_acara, urut) VALUES(?,?)");
    write.bindText(1, after.toStdString());
    write.bindInt(2, stored ? now.columnInt(0) : 1);
    write.step();
    m_journal.append(
        record::event::kEventNamed,
        {{QStringLiteral("before"), stored ? QJsonValue(before) : QJsonValue()}, {QStringLiteral("after"), after}});
    transaction.commit();
    m_eventName = after;
    return true;
}

const Prize* PrizePlan::prize(std::int64_t urut) const {
    for (const Prize& prize : m_prizes)
        if (prize.urut == urut) return &prize;
    return nullptr;
}

bool PrizePlan::complete() const {
    return exists() && !firstOpen();
}

std::optional<std::int64_t> PrizePlan::firstOpen() const {
    for (const Prize& prize : m_prizes)
        if (prize.open() > 0) return prize.urut;
    return std::nullopt;
}

std::optional<std::int64_t> PrizePlan::nextOpen(std::int64_t from, int direction) const {
    std::optional<std::int64_t> found;
    for (const Prize& prize : m_prizes) {
        if (prize.open() == 0) continue;
        if (direction > 0 && prize.urut > from) return prize.urut;
        if (direction < 0 && prize.urut < from) found = prize.urut;
    }
    return found;
}

QJsonArray PrizePlan::rows() const {
    QJsonArray rows;
    for (const Prize& prize : m_prizes)
        rows.append(QJsonArray{static_cast<double>(prize.urut), prize.name, static_cast<double>(prize.quantity),
                               prize.perRound});
    return rows;
}

std::int64_t PrizePlan::pickedFor(std::int64_t prize) const {
    return countOf(m_connection, kWinners, prize) + countOf(m_connection, kForfeits, prize);
}

void PrizePlan::checkPrizeWrite(const db::RowWrite& write) const {
    const PrizeRow before = prizeRow(write.fields, write.before);
    const std::int64_t was = before.urut.value_or(write.rowid);
    if (write.kind == db::RowWrite::Kind::Delete) {
        if (const std::int64_t picked = pickedFor(was); picked > 0)
            throw platform::Error(QStringLiteral("Hadiah %1 sudah diundi (%2 pemenang dan tidak hadir): hadiah itu "
                                                 "tidak dapat dihapus")
                                      .arg(named(before.name, was))
                                      .arg(picked)
                                      .toStdString());
        return;
    }
    const PrizeRow after = prizeRow(write.fields, write.after);
    const std::int64_t urut = after.urut.value_or(write.rowid);
    const QString prize = named(after.name, urut);
    if (after.name.trimmed().isEmpty())
        throw platform::Error(
            QStringLiteral("Hadiah nomor %1 belum bernama: isi nama hadiahnya").arg(urut).toStdString());
    if (!after.quantity)
        throw platform::Error(
            QStringLiteral("Isi jumlah pemenang hadiah %1: berapa pemenang hadiah itu").arg(prize).toStdString());
    if (*after.quantity < 1)
        throw platform::Error(QStringLiteral("Jumlah pemenang hadiah %1 paling sedikit 1, bukan %2")
                                  .arg(prize)
                                  .arg(*after.quantity)
                                  .toStdString());
    // Once drawn, the quantity stays at least the winners drawn.
    if (write.kind == db::RowWrite::Kind::Update)
        if (const std::int64_t drawn = countOf(m_connection, kWinners, was); *after.quantity < drawn)
            throw platform::Error(QStringLiteral("Jumlah pemenang hadiah %1 tidak dapat kurang dari %2: sudah %2 "
                                                 "pemenang diundi")
                                      .arg(prize)
                                      .arg(drawn)
                                      .toStdString());
    const std::int64_t perRound = after.perRound.value_or(1);
    if (perRound < 1 || perRound > kLargestRound)
        throw platform::Error(QStringLiteral("Pemenang per putaran hadiah %1 harus 1 sampai %2, bukan %3")
                                  .arg(prize)
                                  .arg(kLargestRound)
                                  .arg(perRound)
                                  .toStdString());
    if (perRound > *after.quantity)
        throw platform::Error(QStringLiteral("Pemenang per putaran hadiah %1 (%2) lebih dari jumlah pemenangnya (%3)")
                                  .arg(prize)
                                  .arg(perRound)
                                  .arg(*after.quantity)
                                  .toStdString());
    if (write.kind != db::RowWrite::Kind::Update) return;
    // The prize's winners and forfeits refer to it by its urut.
    if (urut != was && pickedFor(was) > 0)
        throw platform::Error(QStringLiteral("Hadiah %1 sudah diundi: nomor urutnya tetap %2")
                                  .arg(named(before.name, was))
                                  .arg(was)
                                  .toStdString());
}

std::optional<PlanWinner> PrizePlan::winnerOf(std::int64_t key) const {
    if (!m_connection.hasTable(kWinners)) return std::nullopt;
    db::Statement record(m_connection,
                         "SELECT urut_hadiah, id_peserta, putaran FROM tb_pemenang_hadiah WHERE pemenang=?");
    record.bindInt(1, key);
    if (!record.step()) return std::nullopt;
    return PlanWinner{key, record.columnInt(0), record.columnInt(1), record.columnInt(2)};
}

std::optional<std::int64_t> PrizePlan::winnerRowDeleted(std::int64_t key) {
    const std::optional<PlanWinner> winner = winnerOf(key);
    if (!winner) return std::nullopt;
    db::Statement erase(m_connection, "DELETE FROM tb_pemenang_hadiah WHERE pemenang=?");
    erase.bindInt(1, key);
    erase.step();
    return winner->prize;
}

std::vector<std::int64_t> PrizePlan::saveRound(std::int64_t prize, std::int64_t round,
                                               const std::vector<NewWinner>& winners) {
    m_journal.ensureStarted();
    db::Transaction transaction(m_connection);
    createTables(m_connection);
    // The slots as the tables hold them now: the plan may have changed since the round was drawn.
    db::Statement plan(m_connection, "SELECT hadiah, jumlah FROM tb_hadiah WHERE urut=?");
    plan.bindInt(1, prize);
    if (!plan.step())
        throw platform::Error(
            QStringLiteral("Hadiah nomor %1 tidak ada lagi di daftar hadiah: putaran ini tidak dapat disimpan")
                .arg(prize)
                .toStdString());
    const QString name = text(plan, 0);
    const std::int64_t open = (plan.columnIsNull(1) ? 0 : plan.columnInt(1)) - countOf(m_connection, kWinners, prize);
    if (static_cast<std::int64_t>(winners.size()) > open)
        throw platform::Error(QStringLiteral("Hadiah %1 tinggal %2 tempat pemenang, putaran ini %3 pemenang: batalkan "
                                             "putaran ini")
                                  .arg(named(name, prize))
                                  .arg(std::max<std::int64_t>(open, 0))
                                  .arg(winners.size())
                                  .toStdString());

    // The texts go in as parameters, by position: the winners table keeps its three columns.
    db::Statement row(m_connection, "INSERT INTO tb_pemenang VALUES(?,?,?)");
    db::Statement record(m_connection,
                         "INSERT INTO tb_pemenang_hadiah (pemenang, urut_hadiah, id_peserta, putaran) VALUES(?,?,?,?)");
    std::vector<std::int64_t> keys;
    QJsonArray saved;
    for (const NewWinner& winner : winners) {
        row.reset();
        row.bindText(1, winner.number.toStdString());
        row.bindText(2, winner.name.toStdString());
        row.bindText(3, name.toStdString());
        row.step();
        const std::int64_t key = m_connection.lastInsertRowid();
        record.reset();
        record.bindInt(1, key);
        record.bindInt(2, prize);
        record.bindInt(3, winner.participant);
        record.bindInt(4, round);
        record.step();
        keys.push_back(key);
        saved.append(QJsonObject{{QStringLiteral("rowid"), static_cast<double>(key)},
                                 {QStringLiteral("id"), static_cast<double>(winner.participant)},
                                 {QStringLiteral("values"), QJsonArray{winner.number, winner.name, name}}});
    }
    m_journal.append(record::event::kRoundSaved, {{QStringLiteral("round"), static_cast<double>(round)},
                                                  {QStringLiteral("prize"), static_cast<double>(prize)},
                                                  {QStringLiteral("winners"), saved}});
    transaction.commit();
    // As the tables now hold it, whether or not they can be read again at once.
    for (const NewWinner& winner : winners)
        m_picks.push_back({prize, winner.participant});
    for (Prize& planned : m_prizes)
        if (planned.urut == prize) planned.drawn += static_cast<std::int64_t>(winners.size());
    return keys;
}

std::int64_t PrizePlan::forfeit(const Forfeit& forfeit) {
    const QString reason = forfeit.reason.simplified();
    if (reason.isEmpty()) throw platform::Error("Isi alasannya: mengapa pemenang ini gugur");
    m_journal.ensureStarted();
    db::Transaction transaction(m_connection);
    createTables(m_connection);
    QJsonObject details{{QStringLiteral("prize"), static_cast<double>(forfeit.prize)},
                        {QStringLiteral("id"), static_cast<double>(forfeit.participant)},
                        {QStringLiteral("no_undian"), forfeit.number},
                        {QStringLiteral("nama"), forfeit.name},
                        {QStringLiteral("alasan"), reason},
                        {QStringLiteral("round"), static_cast<double>(forfeit.round)}};
    if (forfeit.winnerKey) {
        const std::string key = db::Connection::kRowKey;
        db::Statement found(m_connection, "SELECT " + key + ", * FROM tb_pemenang WHERE " + key + "=?");
        found.bindInt(1, *forfeit.winnerKey);
        if (!found.step())
            throw platform::Error("Pemenang ini sudah tidak ada di tabel pemenang: tidak ada yang dapat digugurkan");
        // A prize handed over cannot be drawn again: it would go out twice.
        if (const auto handover = Handovers::recorded(m_connection, *forfeit.winnerKey);
            handover && handover->state == Handover::State::HandedOver)
            throw platform::Error(QStringLiteral("Hadiah %1 sudah diserahkan kepada pemenang ini (%2): pemenang yang "
                                                 "sudah menerima hadiahnya tidak dapat digugurkan")
                                      .arg(text(found, 3), handover->text())
                                      .toStdString());
        details[QStringLiteral("rowid")] = static_cast<double>(*forfeit.winnerKey);
        details[QStringLiteral("values")] = record::winnerValues(found);
        db::Statement erase(m_connection, "DELETE FROM tb_pemenang WHERE " + key + "=?");
        erase.bindInt(1, *forfeit.winnerKey);
        erase.step();
        winnerRowDeleted(*forfeit.winnerKey);
        if (const auto handover = Handovers::winnerRowGone(m_connection, *forfeit.winnerKey))
            details[QStringLiteral("serah_terima")] = handover->json();
    } else {
        details[QStringLiteral("rowid")] = QJsonValue();
    }
    const QString time = record::Journal::timeText(m_journal.now());
    db::Statement insert(m_connection, "INSERT INTO tb_tidak_hadir (urut_hadiah, id_peserta, no_undian, nama, alasan, "
                                       "waktu, pemenang, putaran) VALUES(?,?,?,?,?,?,?,?)");
    insert.bindInt(1, forfeit.prize);
    insert.bindInt(2, forfeit.participant);
    insert.bindText(3, forfeit.number.toStdString());
    insert.bindText(4, forfeit.name.toStdString());
    insert.bindText(5, reason.toStdString());
    insert.bindText(6, time.toStdString());
    if (forfeit.winnerKey)
        insert.bindInt(7, *forfeit.winnerKey);
    else
        insert.bindNull(7);
    if (forfeit.round)
        insert.bindInt(8, forfeit.round);
    else
        insert.bindNull(8);
    insert.step();
    const std::int64_t key = m_connection.lastInsertRowid();
    details[QStringLiteral("forfeit")] = static_cast<double>(key);
    details[QStringLiteral("waktu")] = time;
    m_journal.append(record::event::kWinnerForfeited, details);
    transaction.commit();
    // As the tables now hold it: a winner of a round not saved becomes a pick of the prize; a saved one stays one.
    if (!forfeit.winnerKey) m_picks.push_back({forfeit.prize, forfeit.participant});
    for (Prize& planned : m_prizes)
        if (planned.urut == forfeit.prize) {
            ++planned.forfeited;
            if (forfeit.winnerKey && planned.drawn > 0) --planned.drawn;
        }
    return key;
}

std::int64_t PrizePlan::forfeitWinner(std::int64_t key, const QString& reason) {
    const std::optional<PlanWinner> winner = winnerOf(key);
    if (!winner)
        throw platform::Error("Pemenang ini tidak diundi dari daftar hadiah: tidak ada tempat yang dibuka lagi. "
                              "Hapus dengan Delete bila perlu");
    // By position: the winners table's column names are the database's business.
    const std::string column = db::Connection::kRowKey;
    db::Statement row(m_connection, "SELECT * FROM tb_pemenang WHERE " + column + "=?");
    row.bindInt(1, key);
    Forfeit forfeit{winner->prize, winner->participant, {}, {}, reason, key, winner->round};
    if (row.step()) {
        forfeit.number = text(row, 0);
        forfeit.name = text(row, 1);
    }
    return this->forfeit(forfeit);
}

PrizePlan::Imported PrizePlan::importFrom(const std::string& path) {
    const PlanImport::Result file = PlanImport::read(path);
    Imported imported;
    if (file.refused()) {
        imported.refusal = file.refusal;
        return imported;
    }
    m_journal.ensureStarted();
    db::Transaction transaction(m_connection);
    createTables(m_connection);
    std::int64_t picked = 0;
    for (const char* table : {kWinners, kForfeits}) {
        db::Statement count(m_connection, std::string("SELECT count(*) FROM ") + table);
        if (count.step()) picked += count.columnInt(0);
    }
    if (picked > 0) {
        imported.refusal = QStringLiteral("Daftar hadiah sudah dipakai mengundi (%1 pemenang dan tidak hadir): ubah "
                                          "hadiahnya lewat tabel, bukan dengan Import.")
                               .arg(picked);
        return imported;
    }
    read();
    const QJsonArray before = rows();
    m_connection.exec("DELETE FROM tb_hadiah");
    db::Statement insert(m_connection, "INSERT INTO tb_hadiah (urut, hadiah, jumlah, per_putaran) VALUES(?,?,?,?)");
    QJsonArray after;
    std::int64_t urut = 0;
    for (const PlanImport::Row& row : file.rows) {
        insert.reset();
        insert.bindInt(1, ++urut);
        insert.bindText(2, row.name.toStdString());
        insert.bindInt(3, row.quantity);
        insert.bindInt(4, row.perRound);
        insert.step();
        after.append(QJsonArray{static_cast<double>(urut), row.name, static_cast<double>(row.quantity), row.perRound});
        imported.winners += row.quantity;
    }
    const QString name = QString::fromStdString(path);
    m_journal.append(record::event::kPlanImported,
                     {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath())},
                      {QStringLiteral("sha256"), QString::fromStdString(record::FileSha256(path).result())},
                      {QStringLiteral("before"), before},
                      {QStringLiteral("after"), after}});
    transaction.commit();
    imported.prizes = file.rows.size();
    read();
    return imported;
}

} // namespace core
