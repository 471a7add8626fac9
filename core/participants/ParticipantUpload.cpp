#include "core/participants/ParticipantUpload.h"

#include "platform/Error.h"
#include "platform/db/BulkLoad.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/files/EarlyWriteBack.h"
#include "platform/text/Integer.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr int kFields = 4; // ID, no_undian, nama, hp
const char* const kFieldNames[kFields] = {"ID", "no_undian", "nama", "hp"};
// Rows per INSERT: with one row per statement, starting and ending statements costs as much as storing the rows.
constexpr int kRowsPerInsert = 64;
// How long to wait for the reader before telling the progress again.
constexpr std::chrono::milliseconds kProgressEvery{50};

// The sheet row of the walk's nth participant (0-based): the walk starts at row 2.
std::string sheetRow(std::size_t index) {
    return "row " + std::to_string(index + 2);
}

ParticipantUpload::Result stored(std::size_t rows) {
    ParticipantUpload::Result result;
    result.rows = rows;
    return result;
}

ParticipantUpload::Result refused(std::size_t rows, std::string reason, ParticipantUpload::Refusal refusal) {
    ParticipantUpload::Result result;
    result.outcome = ParticipantUpload::Outcome::Refused;
    result.rows = rows;
    result.reason = std::move(reason);
    result.refusal = refusal;
    return result;
}

// Why an ID that parseInteger() refused is not one: empty, too large for 64 bits, or no whole number at all.
ParticipantUpload::Refusal notAnId(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty()) return ParticipantUpload::Refusal::EmptyId;
    if (text.front() == '+' || text.front() == '-') text.remove_prefix(1);
    const bool digits =
        !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? ParticipantUpload::Refusal::IdTooLarge : ParticipantUpload::Refusal::IdNotWholeNumber;
}

std::string insertSql(int rows) {
    std::string sql = "INSERT INTO tb_peserta (ID, no_undian, nama, hp) VALUES ";
    for (int i = 0; i < rows; ++i)
        sql += i ? ",(?,?,?,?)" : "(?,?,?,?)";
    return sql;
}

} // namespace

// The two inserts of an upload, for 64 rows and for one, with their fields bound for the sheet's column count.
class ParticipantUpload::Inserts {
public:
    explicit Inserts(db::Connection& connection)
        : many(connection, insertSql(kRowsPerInsert)), one(connection, insertSql(1)) {}

    // One row's values at the parameters of its place in the statement; fields beyond the sheet's columns NULL.
    // The batch holding the texts outlives the statement's run, so they are bound without a copy.
    static void bind(db::Statement& statement, int place, std::int64_t id, const ParticipantRows::Batch& batch,
                     std::size_t row, int columns) {
        const int first = place * kFields + 1;
        statement.bindInt(first, id);
        for (int column = 2; column <= kFields; ++column) {
            if (column <= columns)
                statement.bindTextNoCopy(first + column - 1, batch.cell(row, column));
            else
                statement.bindNull(first + column - 1);
        }
    }

    db::Statement many;
    db::Statement one;
    std::string refusal;
};

bool ParticipantUpload::loadInBulk(ParticipantRows& rows, int& storedWith) {
    m_stored = 0;
    db::BulkLoad load(m_connection, "tb_peserta", {kFieldNames, kFieldNames + kFields});
    ParticipantRows::Batch batch;
    while (nextBatch(rows, batch)) {
        const int columns = rows.columnCount();
        if (columns > kFields) return false;
        storedWith = std::min(storedWith, columns);
        for (std::size_t row = 0; row < batch.size(); ++row) {
            const auto id = text::parseInteger(batch.cell(row, 1));
            if (!id) return false;
            load.addInt(*id);
            for (int column = 2; column <= kFields; ++column) {
                if (column <= columns)
                    load.addText(batch.cell(row, column));
                else
                    load.addNull();
            }
            load.endRow();
        }
        m_stored += batch.size();
        tellProgress(rows.delivered());
    }
    try {
        load.finish();
    } catch (const platform::Error& error) {
        if (!db::isRefusal(error)) throw;
        return false;
    }
    return true;
}

void ParticipantUpload::tellProgress(std::size_t rows) const {
    // Never back: when the upload starts again after a bulk attempt, the rows read anew count from where it was.
    m_reported = std::max(m_reported, rows);
    if (m_progress) m_progress(m_reported);
}

bool ParticipantUpload::nextBatch(ParticipantRows& rows, ParticipantRows::Batch& batch) const {
    for (;;) {
        const auto got = rows.next(batch, kProgressEvery);
        if (got != ParticipantRows::Next::NotYet) return got == ParticipantRows::Next::Batch;
        tellProgress(rows.delivered());
    }
}

bool ParticipantUpload::storeGroup(Inserts& inserts, const ParticipantRows::Batch& batch, std::size_t first,
                                   std::size_t count, int columns) {
    if (count < static_cast<std::size_t>(kRowsPerInsert)) return false;
    std::int64_t ids[kRowsPerInsert];
    for (std::size_t i = 0; i < count; ++i) {
        const auto id = text::parseInteger(batch.cell(first + i, 1));
        if (!id) return false;
        ids[i] = *id;
        Inserts::bind(inserts.many, static_cast<int>(i), *id, batch, first + i, columns);
    }
    if (!inserts.many.runUnlessRefused(inserts.refusal)) return false;
    if (m_trackIds)
        for (std::size_t i = 0; i < count; ++i)
            m_storedIds.emplace_back(ids[i], m_stored + i);
    m_stored += count;
    return true;
}

ParticipantUpload::Result ParticipantUpload::storeRowByRow(Inserts& inserts, const ParticipantRows::Batch& batch,
                                                           std::size_t first, std::size_t count, int columns) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = batch.cell(first + i, 1);
        const auto id = text::parseInteger(text);
        if (!id) {
            Result result = refused(
                m_stored, sheetRow(m_stored) + ": '" + std::string(text) + "' is not a whole number", notAnId(text));
            result.sheetRow = m_stored + 2;
            result.id = std::string(text);
            return result;
        }
        Inserts::bind(inserts.one, 0, *id, batch, first + i, columns);
        if (!inserts.one.runUnlessRefused(inserts.refusal)) return clash(*id, inserts.refusal);
        if (m_trackIds) m_storedIds.emplace_back(*id, m_stored);
        ++m_stored;
    }
    return stored(m_stored);
}

ParticipantUpload::Result ParticipantUpload::clash(std::int64_t id, const std::string& refusal) const {
    Result result =
        refused(m_stored, sheetRow(m_stored) + ": ID " + std::to_string(id) + ": " + refusal, Refusal::Other);
    result.sheetRow = m_stored + 2;
    result.id = std::to_string(id);
    db::Statement holder(m_connection, "SELECT rowid FROM tb_peserta WHERE ID = ?");
    holder.bindInt(1, id);
    if (!holder.step()) return result;
    // The upload's rows follow every row that was there before, each with the next rowid, so the rowid of an
    // earlier row of the file gives its place in the sheet.
    if (m_trackIds) {
        // Rows the upload stored are numbered as the statements stored them: where rowids leave gaps (a server's
        // keys taken by the bulk attempt before, or by other desks meanwhile), the rowid cannot give the sheet row.
        const auto earlier = std::find_if(m_storedIds.begin(), m_storedIds.end(),
                                          [id](const auto& stored) { return stored.first == id; });
        if (earlier == m_storedIds.end()) {
            result.refusal = Refusal::IdAlreadyStored;
        } else {
            result.refusal = Refusal::IdRepeatedInFile;
            result.earlierRow = earlier->second + 2;
        }
        return result;
    }
    const std::int64_t rowid = holder.columnInt(0);
    if (rowid <= m_lastRowidBefore) {
        result.refusal = Refusal::IdAlreadyStored;
    } else {
        result.refusal = Refusal::IdRepeatedInFile;
        result.earlierRow = static_cast<std::size_t>(rowid - m_lastRowidBefore) + 1;
    }
    return result;
}

void ParticipantUpload::fillNewColumns(std::int64_t lastRowidBefore, int storedWith, int columns) {
    // The rows stored here follow every row that was there before (SQLite gives a new row the next rowid); only
    // fields of those rows that were beyond the column count at the time are NULL.
    for (int column = std::max(storedWith, 1) + 1; column <= columns; ++column) {
        const std::string field = kFieldNames[column - 1];
        db::Statement fill(m_connection,
                           "UPDATE tb_peserta SET " + field + " = '' WHERE rowid > ? AND " + field + " IS NULL");
        fill.bindInt(1, lastRowidBefore);
        fill.step();
    }
}

ParticipantUpload::Result ParticipantUpload::run(const std::string& path) {
    const auto wider = [](int columns) {
        Result result = refused(0,
                                "the sheet has " + std::to_string(columns) + " columns, the table " +
                                    std::to_string(kFields) + " fields",
                                Refusal::TooManyColumns);
        result.columns = columns;
        return result;
    };
    // The connection's own page cache is kept: a larger one stored a million rows no faster, only in more memory.
    db::Transaction transaction(m_connection);
    // The rows' pages go to the disk while more are stored, so the commit's sync does not wait for all of them:
    // ten million rows waited 0.45 s there with the screen standing still, 0.05 s now.
    const files::EarlyWriteBack writeBack(m_connection.databasePath(), std::chrono::milliseconds(250));
    m_lastRowidBefore = 0;
    {
        db::Statement last(m_connection, "SELECT coalesce(max(rowid), 0) FROM tb_peserta");
        if (last.step()) m_lastRowidBefore = last.columnInt(0);
    }
    int storedWith = kFields; // the smallest column count any row was stored with
    m_reported = 0;
    std::optional<ParticipantRows> reading;
    if (m_connection.bulkLoads()) {
        // One stream of every row, where the database takes one (a server's COPY). A row it cannot take, or that
        // the table refuses, sends the upload back to the start on the path below, which names that row exactly.
        reading.emplace(path);
        db::Transaction attempt(m_connection);
        if (loadInBulk(*reading, storedWith))
            attempt.commit();
        else
            reading.reset();
    }
    if (!reading) {
        reading.emplace(path);
        m_stored = 0;
        storedWith = kFields;
        m_trackIds = m_connection.bulkLoads();
        m_storedIds.clear();
        Inserts inserts(m_connection);
        ParticipantRows::Batch batch;
        while (nextBatch(*reading, batch)) {
            const int columns = reading->columnCount();
            if (columns > kFields) return wider(columns);
            storedWith = std::min(storedWith, columns);
            for (std::size_t first = 0; first < batch.size(); first += kRowsPerInsert) {
                const std::size_t count = std::min<std::size_t>(kRowsPerInsert, batch.size() - first);
                if (storeGroup(inserts, batch, first, count, columns)) continue;
                Result result = storeRowByRow(inserts, batch, first, count, columns);
                if (result.outcome == Outcome::Refused) return result;
            }
            tellProgress(reading->delivered());
        }
    }
    ParticipantRows& rows = *reading;
    // A row after the last participant may still hold a value further right.
    while (rows.finish(kProgressEvery) == ParticipantRows::Next::NotYet)
        tellProgress(rows.delivered());
    if (rows.columnCount() > kFields) return wider(rows.columnCount());
    if (rows.listEnd().leavesOut() && m_confirmListEnd && !m_confirmListEnd(rows.listEnd(), m_stored)) {
        Result declined = stored(m_stored);
        declined.outcome = Outcome::Declined;
        return declined; // the transaction rolls back
    }
    if (rows.columnCount() > storedWith) fillNewColumns(m_lastRowidBefore, storedWith, rows.columnCount());
    if (m_beforeCommit) m_beforeCommit(m_stored);
    transaction.commit();
    return stored(m_stored);
}
