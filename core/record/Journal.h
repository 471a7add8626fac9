#pragma once

#include "core/record/Fingerprint.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace db {
class Connection;
class Statement;
} // namespace db

namespace record {

// True when the database holds this table.
bool tableExists(db::Connection& connection, const char* table);

// A winner's values as the journal holds them, from a row of "SELECT rowid, * FROM tb_pemenang": every column after
// the rowid, NULL as null, anything else as its text. The journal's seal and its check read the table with this one
// rule, so the two agree to the byte.
QJsonArray winnerValues(const db::Statement& select);

// The journal tb_jurnal: what happened, in order, each entry chained to the one before by its hash (EntryHash.h).
// An entry is written in the same transaction as the change it records, so the two are both there or neither; a
// journal that cannot be written fails the change with the database's message.
//
// A run of the program opens with its "program_started" entry, which names the list drawn from. It may have to wait
// for the participants' fingerprint, so it is written when the run's first event comes, or when asked to by
// ensureStarted(). On an empty journal a "journal_begun" entry comes first, sealing what the tables held then.
// Entries of a run carry its number: the urut of its "program_started" entry.
class Journal {
public:
    using Clock = std::function<QDateTime()>;
    static constexpr char kTable[] = "tb_jurnal";

    // What the run's first entry says. participants is the list drawn from; dataVersion the database's change
    // marker read just before that list was read, so that the journal's seal can take the list's fingerprint when
    // nothing changed the table since.
    struct RunStart {
        QJsonObject details;
        std::optional<ListSeal> participants;
        std::optional<std::int64_t> dataVersion;
    };
    using StartSource = std::function<RunStart()>;

    explicit Journal(db::Connection& connection);
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The time an entry written now carries.
    QDateTime now() const { return m_clock(); }
    // A time as entries carry it: UTC with milliseconds.
    static QString timeText(const QDateTime& time);
    // Asked, on the caller's thread, when the run's first entry is written. Without one, the entry has no list.
    void setRunStart(StartSource source) { m_source = std::move(source); }

    // Writes the run's first entries, in a transaction of their own, unless they are written; then a list reloaded
    // and not yet recorded, when not inside the caller's transaction.
    void ensureStarted();
    // The same as soon as the list is sealed, with nobody waiting: when the database cannot take them now, the run's
    // first event writes them, or fails with the database's message.
    void startQuietly() noexcept;
    // Records an event in a transaction of its own; `alongside` runs in that transaction after the entry is
    // written, and a failure of either rolls both back. Returns the entry's urut.
    std::int64_t record(const char* kind, QJsonObject details = {}, const std::function<void()>& alongside = {});
    // Runs the change and records what it returns, in one transaction: both stay or neither.
    void recordChange(const char* kind, const std::function<QJsonObject()>& change);
    // Appends an entry inside the caller's transaction; returns its urut.
    std::int64_t append(const char* kind, QJsonObject details);
    // The run now draws from a list read again ("Muat Ulang Daftar"): records a "list_reloaded" entry with these
    // details of it, in a transaction of its own. When the database cannot take the entry now (the error says so),
    // it stays due and the run's next entry writes it first, so no draw from that list is recorded without it. A
    // run whose start is not written yet names the list in its start instead.
    void recordListReloaded(QJsonObject details);

    // The urut of this run's "program_started" entry; 0 until it is written.
    std::int64_t run() const { return m_run; }

    // Creates tb_jurnal when it is missing.
    static void createTable(db::Connection& connection);
    // The urut of the last entry; 0 for an empty or missing journal.
    static std::int64_t lastEntry(db::Connection& connection);
    // PRAGMA data_version: it moves when another connection commits a change.
    static std::int64_t dataVersion(db::Connection& connection);
    // The rows of a table as JSON values: text, or null.
    static QJsonValue jsonValue(const std::optional<std::string>& value);

private:
    void writeStart();
    QJsonObject seal(const RunStart& start);
    std::int64_t appendEntry(const char* kind, const QJsonObject& details);
    bool startStands();

    db::Connection& m_connection;
    Clock m_clock;
    StartSource m_source;
    std::int64_t m_run = 0;
    std::string m_runHash;
    std::string m_lastHash; // of the entry appended last
    // The start was written inside a caller's transaction, which may yet roll back.
    bool m_startUnconfirmed = false;
    std::optional<QJsonObject> m_listReloaded; // due to be recorded
};

} // namespace record
