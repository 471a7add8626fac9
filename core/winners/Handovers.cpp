#include "core/winners/Handovers.h"

#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

namespace core {

namespace {

// One row per winner row whose handover was recorded: pemenang is the winner row's key in tb_pemenang, status one of
// the three states, tanggal the day handed over (ISO, NULL otherwise), waktu when it was recorded (UTC).
constexpr char kHandoversTable[] = "CREATE TABLE IF NOT EXISTS tb_serah_terima ("
                                   "urut INTEGER PRIMARY KEY, "
                                   "pemenang INTEGER NOT NULL UNIQUE, "
                                   "status TEXT NOT NULL, "
                                   "tanggal TEXT, "
                                   "waktu TEXT NOT NULL)";

const QString kDayShown = QStringLiteral("dd-MM-yyyy");

QString text(const db::Statement& statement, int column) {
    const std::string_view bytes = statement.columnText(column);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

Handover handoverOf(const db::Statement& row, int status, int date) {
    Handover handover;
    handover.state = Handover::stateNamed(text(row, status)).value_or(Handover::State::Pending);
    if (handover.state == Handover::State::HandedOver && !row.columnIsNull(date))
        handover.date = QDate::fromString(text(row, date), Qt::ISODate);
    return handover;
}

} // namespace

QString Handover::stateText(State state) {
    switch (state) {
    case State::Pending:
        break;
    case State::HandedOver:
        return QStringLiteral("diserahkan");
    case State::NotTaken:
        return QStringLiteral("tidak diambil");
    }
    return QStringLiteral("belum diserahkan");
}

std::optional<Handover::State> Handover::stateNamed(const QString& text) {
    for (State state : {State::Pending, State::HandedOver, State::NotTaken})
        if (stateText(state) == text) return state;
    return std::nullopt;
}

QString Handover::text() const {
    if (state == State::HandedOver && date.isValid())
        return stateText(state) + QLatin1Char(' ') + date.toString(kDayShown);
    return stateText(state);
}

QJsonObject Handover::json() const {
    return {{QStringLiteral("status"), stateText(state)},
            {QStringLiteral("tanggal"),
             state == State::HandedOver && date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue()}};
}

Handover Handover::fromJson(const QJsonObject& json) {
    Handover handover;
    handover.state = stateNamed(json.value(QStringLiteral("status")).toString()).value_or(State::Pending);
    if (handover.state == State::HandedOver)
        handover.date = QDate::fromString(json.value(QStringLiteral("tanggal")).toString(), Qt::ISODate);
    return handover;
}

void Handovers::createTable(db::Connection& connection) {
    connection.exec(kHandoversTable);
}

std::optional<Handover> Handovers::recorded(db::Connection& connection, std::int64_t key) {
    if (!connection.hasTable(kTable)) return std::nullopt;
    db::Statement row(connection, "SELECT status, tanggal FROM tb_serah_terima WHERE pemenang=?");
    row.bindInt(1, key);
    if (!row.step()) return std::nullopt;
    return handoverOf(row, 0, 1);
}

Handover Handovers::of(std::int64_t key) const {
    return recorded(m_connection, key).value_or(Handover{});
}

std::map<std::int64_t, Handover> Handovers::all() const {
    std::map<std::int64_t, Handover> handovers;
    if (!m_connection.hasTable(kTable)) return handovers;
    db::Statement rows(m_connection, "SELECT pemenang, status, tanggal FROM tb_serah_terima");
    while (rows.step())
        handovers[rows.columnInt(0)] = handoverOf(rows, 1, 2);
    return handovers;
}

std::optional<Handover> Handovers::winnerRowGone(db::Connection& connection, std::int64_t key) {
    const std::optional<Handover> was = recorded(connection, key);
    if (!was) return std::nullopt;
    db::Statement erase(connection, "DELETE FROM tb_serah_terima WHERE pemenang=?");
    erase.bindInt(1, key);
    erase.step();
    return was;
}

bool Handovers::change(std::int64_t key, const Handover& wanted) {
    Handover to = wanted;
    if (to.state != Handover::State::HandedOver) to.date = QDate();
    if (to.state == Handover::State::HandedOver) {
        if (!to.date.isValid()) throw platform::Error("Isi tanggal hadiah ini diserahkan");
        const QDate today = m_journal.now().toLocalTime().date();
        if (to.date > today)
            throw platform::Error(QStringLiteral("Tanggal diserahkan %1 belum tiba: hari ini %2")
                                      .arg(to.date.toString(kDayShown), today.toString(kDayShown))
                                      .toStdString());
    }
    m_journal.ensureStarted();
    db::Transaction transaction(m_connection);
    createTable(m_connection);
    const std::string rowKey = db::Connection::kRowKey;
    db::Statement winner(m_connection, "SELECT " + rowKey + ", * FROM tb_pemenang WHERE " + rowKey + "=?");
    winner.bindInt(1, key);
    if (!winner.step())
        throw platform::Error("Pemenang ini sudah tidak ada di tabel pemenang: serah terima hadiahnya tidak dapat "
                              "dicatat");
    const std::optional<Handover> was = recorded(m_connection, key);
    const Handover before = was.value_or(Handover{});
    if (before == to) return false;

    const QString time = record::Journal::timeText(m_journal.now());
    const QJsonObject after = to.json();
    const QJsonValue date = after.value(QStringLiteral("tanggal"));
    db::Statement write(m_connection, was ? "UPDATE tb_serah_terima SET status=?, tanggal=?, waktu=? WHERE pemenang=?"
                                          : "INSERT INTO tb_serah_terima (status, tanggal, waktu, pemenang) "
                                            "VALUES(?,?,?,?)");
    write.bindText(1, Handover::stateText(to.state).toStdString());
    if (date.isString())
        write.bindText(2, date.toString().toStdString());
    else
        write.bindNull(2);
    write.bindText(3, time.toStdString());
    write.bindInt(4, key);
    write.step();
    m_journal.append(record::event::kHandoverChanged, {{QStringLiteral("rowid"), static_cast<double>(key)},
                                                       {QStringLiteral("values"), record::winnerValues(winner)},
                                                       {QStringLiteral("before"), before.json()},
                                                       {QStringLiteral("after"), after},
                                                       {QStringLiteral("waktu"), time}});
    transaction.commit();
    return true;
}

} // namespace core
