#include "participants/ParticipantUpload.h"

#include "participants/ParticipantRows.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <sqlite3.h>

namespace {

constexpr int kFields = 4; // ID, no_undian, nama, hp

// The ID rules of the entry form's cursor: a whole decimal number, optionally signed, blanks around it ignored.
std::optional<std::int64_t> parseId(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// The sheet row of the walk's nth participant (0-based): the walk starts at row 2.
std::string sheetRow(std::size_t index) {
    return "row " + std::to_string(index + 2);
}

// Rows per INSERT: with one row per statement, starting and ending statements costs as much as storing the rows.
constexpr int kRowsPerInsert = 64;

std::string insertSql(int rows) {
    std::string sql = "INSERT INTO tb_peserta (ID, no_undian, nama, hp) VALUES ";
    for (int i = 0; i < rows; ++i)
        sql += i ? ",(?,?,?,?)" : "(?,?,?,?)";
    return sql;
}

// One row's values at the parameters of its place in the statement; fields beyond the sheet's columns stay NULL
// as bound when the statement was made.
void bindRow(sqlite3_stmt* statement, int place, std::int64_t id, const ParticipantRows::Row& row, int columns) {
    const int first = place * kFields + 1;
    sqlite3_bind_int64(statement, first, id);
    for (int column = 2; column <= columns; ++column) {
        const std::string_view text = ParticipantRows::cell(row, column);
        // The batch holding the text outlives the step: no copy.
        sqlite3_bind_text64(statement, first + column - 1, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    }
}

// Runs an insert. False, with the database's message, when a constraint refused a row: the statement's rows are
// then undone and the transaction goes on. Any other failure throws.
bool insert(sqlite3* handle, sqlite3_stmt* statement, std::string& refusal) {
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) {
        sqlite3_reset(statement);
        return true;
    }
    std::string message = sqlite3_errmsg(handle);
    sqlite3_reset(statement);
    if ((rc & 0xff) != SQLITE_CONSTRAINT) throw platform::Error(message);
    refusal = std::move(message);
    return false;
}

} // namespace

ParticipantUpload::Result ParticipantUpload::run(const std::string& path) {
    ParticipantRows rows(path);
    const int columns = rows.columnCount();
    if (columns > kFields)
        return {Outcome::Refused, 0,
                "the sheet has " + std::to_string(columns) + " columns, the table " + std::to_string(kFields) +
                    " fields"};

    // The connection's own page cache is kept: a larger one stored a million rows no faster, only in more memory.
    sqlite3* handle = m_connection.handle();
    db::Transaction transaction(m_connection);
    db::Statement many(handle, insertSql(kRowsPerInsert));
    db::Statement one(handle, insertSql(1));
    for (int place = 0; place < kRowsPerInsert; ++place)
        for (int column = columns + 1; column <= kFields; ++column) {
            sqlite3_bind_null(many.get(), place * kFields + column);
            if (place == 0) sqlite3_bind_null(one.get(), column);
        }

    std::size_t stored = 0;
    std::string refusal;
    ParticipantRows::Batch batch;
    while (rows.next(batch)) {
        for (std::size_t chunk = 0; chunk < batch.size(); chunk += kRowsPerInsert) {
            const std::size_t count = std::min<std::size_t>(kRowsPerInsert, batch.size() - chunk);
            bool stuck = count < kRowsPerInsert;
            for (std::size_t i = 0; i < count && !stuck; ++i) {
                const auto id = parseId(ParticipantRows::cell(batch[chunk + i], 1));
                if (id)
                    bindRow(many.get(), static_cast<int>(i), *id, batch[chunk + i], columns);
                else
                    stuck = true;
            }
            if (!stuck && insert(handle, many.get(), refusal)) {
                stored += count;
                continue;
            }
            // A short chunk, or one holding a refused row: row by row, which finds the first refused row exactly.
            for (std::size_t i = 0; i < count; ++i) {
                const auto& row = batch[chunk + i];
                const std::string_view text = ParticipantRows::cell(row, 1);
                const auto id = parseId(text);
                if (!id)
                    return {Outcome::Refused, stored,
                            sheetRow(stored) + ": '" + std::string(text) + "' is not a whole number"};
                bindRow(one.get(), 0, *id, row, columns);
                if (!insert(handle, one.get(), refusal))
                    return {Outcome::Refused, stored,
                            sheetRow(stored) + ": ID " + std::to_string(*id) + ": " + refusal};
                ++stored;
            }
        }
        if (m_progress) m_progress(rows.delivered());
    }
    transaction.commit();
    return {Outcome::Stored, stored, {}};
}
