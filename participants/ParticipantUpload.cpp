#include "participants/ParticipantUpload.h"

#include "participants/ParticipantRows.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

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

} // namespace

ParticipantUpload::Result ParticipantUpload::run(const std::string& path) {
    ParticipantRows rows(path);
    const int columns = rows.columnCount();
    if (columns > kFields)
        return {Outcome::Refused, 0,
                "the sheet has " + std::to_string(columns) + " columns, the table " + std::to_string(kFields) +
                    " fields"};

    sqlite3* handle = m_connection.handle();
    db::Transaction transaction(m_connection);
    db::Statement insert(handle, "INSERT INTO tb_peserta (ID, no_undian, nama, hp) VALUES (?1, ?2, ?3, ?4)");
    sqlite3_stmt* statement = insert.get();
    // Fields beyond the sheet's last used column stay NULL for every row.
    for (int field = columns + 1; field <= kFields; ++field)
        sqlite3_bind_null(statement, field);

    std::size_t stored = 0;
    ParticipantRows::Batch batch;
    while (rows.next(batch)) {
        for (const auto& row : batch) {
            const auto id = parseId(ParticipantRows::cell(row, 1));
            if (!id) {
                return {Outcome::Refused, stored,
                        sheetRow(stored) + ": '" + std::string(ParticipantRows::cell(row, 1)) +
                            "' is not a whole number"};
            }
            sqlite3_bind_int64(statement, 1, *id);
            for (int field = 2; field <= columns; ++field) {
                const std::string_view text = ParticipantRows::cell(row, field);
                // The row's text outlives the step: no copy.
                sqlite3_bind_text64(statement, field, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
            }
            const int rc = sqlite3_step(statement);
            if (rc != SQLITE_DONE) {
                const std::string message = sqlite3_errmsg(handle);
                sqlite3_reset(statement);
                if ((rc & 0xff) == SQLITE_CONSTRAINT)
                    return {Outcome::Refused, stored,
                            sheetRow(stored) + ": ID " + std::to_string(*id) + ": " + message};
                throw platform::Error(message);
            }
            sqlite3_reset(statement);
            ++stored;
        }
        if (m_progress) m_progress(rows.delivered());
    }
    // The texts bound last belong to the batch: unbind them before it goes.
    sqlite3_clear_bindings(statement);
    transaction.commit();
    return {Outcome::Stored, stored, {}};
}
