#include "core/EventCopy.h"

#include "core/Schema.h"
#include "core/record/Verification.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/text/Integer.h"

#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

// Values per INSERT: a few dozen rows at once, as the upload stores them.
constexpr int kValuesPerInsert = 256;
constexpr std::uint64_t kProgressEvery = 100000;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string insertSql(const std::string& table, const std::vector<std::string>& columns, int rows) {
    std::string sql = "INSERT INTO " + db::quotedIdentifier(table) + " (";
    std::string tuple = "(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i ? ", " : "") + (columns[i] == "rowid" ? columns[i] : db::quotedIdentifier(columns[i]));
        tuple += i ? ",?" : "?";
    }
    sql += ") VALUES ";
    tuple += ")";
    for (int row = 0; row < rows; ++row)
        sql += (row ? "," : "") + tuple;
    return sql;
}

bool holdsRows(db::Connection& connection, const std::string& table) {
    db::Statement any(connection, "SELECT 1 FROM " + db::quotedIdentifier(table) + " LIMIT 1");
    return any.step();
}

// One table's rows, read in rowid order from the source and inserted into the target in batches.
class TableCopy {
public:
    TableCopy(db::Connection& source, db::Connection& target, const std::string& table)
        : m_source(source), m_target(target), m_table(table) {}

    std::uint64_t run(const EventCopy::Progress& progress) {
        const std::vector<std::string> columns = columnsToCopy();
        const int perRow = static_cast<int>(columns.size());
        const int rowsPerInsert = std::max(1, kValuesPerInsert / perRow);
        std::string select = "SELECT ";
        for (std::size_t i = 0; i < columns.size(); ++i)
            select += (i ? ", " : "") + (columns[i] == "rowid" ? columns[i] : db::quotedIdentifier(columns[i]));
        select += " FROM " + db::quotedIdentifier(m_table) + " ORDER BY rowid";
        db::Statement rows(m_source, select);
        db::Statement many(m_target, insertSql(m_table, columns, rowsPerInsert));
        std::vector<std::vector<std::optional<std::string>>> pending;
        std::uint64_t copied = 0;
        auto flush = [&](db::Statement& statement) {
            int index = 1;
            for (const auto& row : pending)
                for (std::size_t i = 0; i < row.size(); ++i)
                    bindValue(statement, index++, row[i], m_integer[i]);
            statement.step();
            statement.reset();
            copied += pending.size();
            pending.clear();
        };
        while (rows.step()) {
            std::vector<std::optional<std::string>> row;
            for (int i = 0; i < perRow; ++i)
                row.push_back(rows.columnIsNull(i) ? std::nullopt
                                                   : std::optional<std::string>(std::string(rows.columnText(i))));
            pending.push_back(std::move(row));
            if (static_cast<int>(pending.size()) == rowsPerInsert) {
                flush(many);
                if (progress && copied % kProgressEvery < static_cast<std::uint64_t>(rowsPerInsert))
                    progress(m_table + ": " + std::to_string(copied) + " rows");
            }
        }
        if (!pending.empty()) {
            // The last rows, fewer than a batch, one at a time.
            db::Statement one(m_target, insertSql(m_table, columns, 1));
            auto rest = std::move(pending);
            for (auto& row : rest) {
                pending.assign(1, std::move(row));
                flush(one);
            }
        }
        m_target.rowidsGiven(m_table);
        return copied;
    }

private:
    // The source's columns by the target's names, each with a place in the target; the hidden rowid first where both
    // keep one, so the journal's rowids name the same rows on the copy.
    std::vector<std::string> columnsToCopy() {
        std::vector<db::Connection::Column> targetColumns = m_target.columns(m_table);
        std::vector<std::string> columns;
        if (m_source.rowidColumn(m_table).empty() && m_target.rowidColumn(m_table).empty()) {
            columns.emplace_back("rowid");
            m_integer.push_back(true);
        }
        for (const std::string& name : m_source.columnNames(m_table)) {
            const auto place = std::find_if(targetColumns.begin(), targetColumns.end(),
                                            [&](const auto& column) { return lower(column.name) == lower(name); });
            if (place == targetColumns.end())
                throw platform::Error("The column " + name + " of " + m_table +
                                      " has no place in the copy: it is not a "
                                      "column of the program's table");
            columns.push_back(place->name);
            m_integer.push_back(lower(place->type).find("int") != std::string::npos);
        }
        return columns;
    }

    // A value as the source held it: an integer column's whole number goes in as an integer.
    static void bindValue(db::Statement& statement, int index, const std::optional<std::string>& value, bool integer) {
        if (!value) return statement.bindNull(index);
        if (integer)
            if (const auto number = text::parseInteger(*value)) return statement.bindInt(index, *number);
        statement.bindText(index, *value);
    }

    db::Connection& m_source;
    db::Connection& m_target;
    std::string m_table;
    std::vector<bool> m_integer; // per copied column
};

} // namespace

EventCopy::Result EventCopy::run(const std::string& from, const std::string& to, const Progress& progress) {
    const std::string shownFrom = db::withoutPassword(from), shownTo = db::withoutPassword(to);
    db::Connection source;
    source.setDatabasePath(from);
    source.setReadOnly(true);
    source.open();

    const bool newFile = !db::isServerAddress(to) && !QFileInfo::exists(QString::fromStdString(to));
    if (newFile) schema::createDatabase(to);
    db::Connection target;
    target.setDatabasePath(to);
    target.open();
    schema::createMissingTables(target);
    for (const std::string& table : target.tableNames())
        if (table != "setup" && holdsRows(target, table))
            throw platform::Error("The database " + shownTo + " is not empty: " + table +
                                  " holds rows. An event is copied into an empty database only");

    Result result;
    std::string skipped;
    {
        db::ReadTransaction reading(source); // the source as of one moment, even while a desk writes to it
        db::Transaction writing(target);
        for (const std::string& table : source.tableNames()) {
            if (!target.hasTable(table)) {
                skipped += (skipped.empty() ? "" : ", ") + table;
                continue;
            }
            if (table == "setup") target.exec("DELETE FROM setup"); // a new database's settings give way
            const std::uint64_t rows = TableCopy(source, target, table).run(progress);
            result.summary += table + ": " + std::to_string(rows) + " rows\n";
        }
        writing.commit();
    }
    source.close();
    target.close();
    result.summary = "Copied " + shownFrom + " to " + shownTo + ":\n" + result.summary;
    if (!skipped.empty()) result.summary += "Not copied, not tables of the program: " + skipped + "\n";
    const auto before = record::Verification::of(from);
    const auto after = record::Verification::of(to);
    result.summary += shownFrom + ": " + before.verdict().toStdString() + "\n" + shownTo + ": " +
                      after.verdict().toStdString() + "\n";
    result.verified = before.exitCode() == 0 && after.exitCode() == 0;
    return result;
}
