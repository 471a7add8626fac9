#include "core/record/Journal.h"

#include "core/record/EntryHash.h"
#include "core/record/Events.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

namespace record {

bool tableExists(db::Connection& connection, const char* table) {
    return connection.hasTable(table);
}

QJsonArray winnerValues(const db::Statement& select) {
    QJsonArray values;
    for (int i = 1; i < select.columnCount(); ++i) {
        const std::string_view text = select.columnText(i);
        values.append(select.columnIsNull(i)
                          ? QJsonValue()
                          : QJsonValue(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
    }
    return values;
}

QString Journal::timeText(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

namespace {

QJsonObject sealOfRows(const ListSeal& seal) {
    return {{QStringLiteral("count"), static_cast<double>(seal.count)},
            {QStringLiteral("fingerprint"), QString::fromStdString(seal.sha256)}};
}

// The winners as they stand, one [rowid, no_undian, nama, hadiah] each, with their fingerprint.
QJsonObject winnersNow(db::Connection& connection) {
    QJsonObject winners = sealOfRows(Fingerprint::ofTable(connection, "tb_pemenang", true));
    db::Statement select(connection, "SELECT rowid, * FROM tb_pemenang ORDER BY rowid");
    QJsonArray rows;
    while (select.step()) {
        QJsonArray row{static_cast<double>(select.columnInt(0))};
        for (const QJsonValue& value : winnerValues(select))
            row.append(value);
        rows.append(row);
    }
    winners[QStringLiteral("rows")] = rows;
    return winners;
}

} // namespace

Journal::Journal(db::Connection& connection)
    : m_connection(connection), m_clock([] { return QDateTime::currentDateTimeUtc(); }) {}

void Journal::createTable(db::Connection& connection) {
    connection.exec("CREATE TABLE IF NOT EXISTS tb_jurnal ("
                    "urut INTEGER PRIMARY KEY, waktu TEXT NOT NULL, jenis TEXT NOT NULL, rincian TEXT NOT NULL, "
                    "hash_sebelum TEXT NOT NULL, hash TEXT NOT NULL)");
}

std::int64_t Journal::lastEntry(db::Connection& connection) {
    if (!tableExists(connection, kTable)) return 0;
    db::Statement last(connection, "SELECT max(urut) FROM tb_jurnal");
    return last.step() ? last.columnInt(0) : 0;
}

std::int64_t Journal::dataVersion(db::Connection& connection) {
    return connection.changeCounter();
}

QJsonValue Journal::jsonValue(const std::optional<std::string>& value) {
    return value ? QJsonValue(QString::fromStdString(*value)) : QJsonValue();
}

bool Journal::startStands() {
    if (m_run == 0) return false;
    if (!m_startUnconfirmed) return true;
    // Written inside a caller's transaction: there still unless that transaction rolled back (maybe with the
    // table itself).
    const bool stands = [&] {
        if (!tableExists(m_connection, kTable)) return false;
        db::Statement check(m_connection, "SELECT hash FROM tb_jurnal WHERE urut=?");
        check.bindInt(1, m_run);
        return check.step() && check.columnText(0) == m_runHash;
    }();
    if (!stands) {
        m_run = 0;
        m_startUnconfirmed = false;
        return false;
    }
    if (!m_connection.inTransaction()) m_startUnconfirmed = false; // that transaction committed
    return true;
}

void Journal::ensureStarted() {
    if (!startStands()) {
        m_listReloaded.reset(); // the start names the list the run draws from now
        if (m_connection.inTransaction()) {
            writeStart();
            m_startUnconfirmed = true;
            return;
        }
        db::Transaction transaction(m_connection);
        try {
            writeStart();
            transaction.commit();
        } catch (...) {
            m_run = 0;
            throw;
        }
        return;
    }
    // Not inside a caller's transaction, which may yet roll back: the next entry outside one writes it.
    if (m_listReloaded && !m_connection.inTransaction()) {
        db::Transaction transaction(m_connection);
        QJsonObject details = *m_listReloaded;
        details[QStringLiteral("run")] = static_cast<double>(m_run);
        appendEntry(event::kListReloaded, details);
        transaction.commit();
        m_listReloaded.reset();
    }
}

void Journal::recordListReloaded(QJsonObject details) {
    m_listReloaded = std::move(details);
    ensureStarted();
}

void Journal::startQuietly() noexcept {
    try {
        ensureStarted();
    } catch (...) {
    }
}

void Journal::writeStart() {
    m_run = 0;
    RunStart start = m_source ? m_source() : RunStart{};
    // Several desks may write one journal on a server: each run names the machine it runs on, and each entry its
    // run.
    start.details[QStringLiteral("host")] = QSysInfo::machineHostName();
    createTable(m_connection);
    // Another desk's entries commit before this start is numbered: whether the journal begins here, and the list its
    // first entry seals, are read only once they have, so the seal states the table as of the entry before it.
    m_connection.serializeAppends(kTable);
    if (lastEntry(m_connection) == 0) appendEntry(event::kJournalBegun, seal(start));
    const std::int64_t run = appendEntry(event::kProgramStarted, start.details);
    m_runHash = m_lastHash;
    m_run = run;
}

QJsonObject Journal::seal(const RunStart& start) {
    QJsonObject sealed;
    // The list drawn from is what the table holds unless another connection changed it since it was read.
    std::optional<ListSeal> participants;
    if (start.participants && start.dataVersion && *start.dataVersion == dataVersion(m_connection))
        participants = start.participants;
    try {
        if (!participants) participants = Fingerprint::ofTable(m_connection, "tb_peserta");
        sealed[QStringLiteral("participants")] = sealOfRows(*participants);
    } catch (const platform::Error&) {
        sealed[QStringLiteral("participants")] = QJsonValue(); // no participants table to seal
    }
    try {
        sealed[QStringLiteral("winners")] = winnersNow(m_connection);
    } catch (const platform::Error&) {
        sealed[QStringLiteral("winners")] = QJsonValue();
    }
    return sealed;
}

std::int64_t Journal::append(const char* kind, QJsonObject details) {
    ensureStarted();
    details[QStringLiteral("run")] = static_cast<double>(m_run);
    return appendEntry(kind, details);
}

std::int64_t Journal::appendEntry(const char* kind, const QJsonObject& details) {
    createTable(m_connection);
    // With several desks on one database, each waits here for the others' appends to commit: entries are numbered
    // without gaps and chained in the order they commit.
    m_connection.serializeAppends(kTable);
    db::Statement last(m_connection, "SELECT urut, hash FROM tb_jurnal ORDER BY urut DESC LIMIT 1");
    std::int64_t seq = 1;
    std::string previous = kZeroHash;
    if (last.step()) {
        seq = last.columnInt(0) + 1;
        previous = std::string(last.columnText(1));
    }
    const std::string time = timeText(m_clock()).toStdString();
    const std::string text = QJsonDocument(details).toJson(QJsonDocument::Compact).toStdString();
    const std::string hash = entryHash(previous, seq, time, kind, text);
    db::Statement insert(m_connection, "INSERT INTO tb_jurnal VALUES(?,?,?,?,?,?)");
    insert.bindInt(1, seq);
    insert.bindText(2, time);
    insert.bindText(3, kind);
    insert.bindText(4, text);
    insert.bindText(5, previous);
    insert.bindText(6, hash);
    insert.step();
    m_lastHash = hash;
    return seq;
}

std::int64_t Journal::record(const char* kind, QJsonObject details, const std::function<void()>& alongside) {
    ensureStarted();
    db::Transaction transaction(m_connection);
    const std::int64_t entry = append(kind, std::move(details));
    if (alongside) alongside();
    transaction.commit();
    return entry;
}

void Journal::recordChange(const char* kind, const std::function<QJsonObject()>& change) {
    ensureStarted();
    db::Transaction transaction(m_connection);
    QJsonObject details = change();
    append(kind, std::move(details));
    transaction.commit();
}

} // namespace record
