#include "platform/db/Statement.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/ServerSql.h"
#include "platform/db/ServerStatement.h"

#include <sqlite3.h>

namespace db {

std::string quotedIdentifier(const std::string& identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

Statement::Statement(const Connection& connection, std::string_view sql) {
    if (connection.m_server) {
        m_server = std::make_unique<ServerStatement>(*connection.m_server, sql);
        return;
    }
    m_handle = connection.handle();
    if (const int rc = sqlite3_prepare_v2(m_handle, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr);
        rc != SQLITE_OK)
        throw platform::Error(errorMessage(m_handle, rc));
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::bindNull(int index) {
    if (m_server) return m_server->bindNull(index);
    sqlite3_bind_null(m_stmt, index);
}

void Statement::bindText(int index, std::string_view text) {
    if (m_server) return m_server->bindText(index, text);
    // Length-counted, so texts holding NUL characters are stored whole.
    if (sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        throw platform::Error(sqlite3_errmsg(m_handle));
}

void Statement::bindTextNoCopy(int index, std::string_view text) {
    if (m_server) return m_server->bindText(index, text);
    if (sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8) != SQLITE_OK)
        throw platform::Error(sqlite3_errmsg(m_handle));
}

void Statement::bindInt(int index, std::int64_t value) {
    if (m_server) return m_server->bindInt(index, value);
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bindReal(int index, double value) {
    if (m_server) return m_server->bindReal(index, value);
    sqlite3_bind_double(m_stmt, index, value);
}

void Statement::bindBlob(int index, std::string_view bytes) {
    if (m_server) return m_server->bindBlob(index, bytes);
    if (sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK)
        throw platform::Error(sqlite3_errmsg(m_handle));
}

void Statement::bind(int index, const std::optional<std::string>& value) {
    if (value)
        bindText(index, *value);
    else
        bindNull(index);
}

void Statement::readThrough() {
    if (m_server) m_server->setReadThrough();
}

bool Statement::step() {
    if (m_server) return m_server->step();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string message = errorMessage(m_handle, rc);
    const int code = sqlite3_extended_errcode(m_handle);
    sqlite3_reset(m_stmt);
    throw platform::Error(message, code);
}

bool Statement::runUnlessRefused(std::string& refusal) {
    if (m_server) return m_server->runUnlessRefused(refusal);
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
        sqlite3_reset(m_stmt);
        return true;
    }
    std::string message = errorMessage(m_handle, rc);
    const int code = sqlite3_extended_errcode(m_handle);
    sqlite3_reset(m_stmt);
    if ((rc & 0xff) != SQLITE_CONSTRAINT) throw platform::Error(message, code);
    refusal = std::move(message);
    return false;
}

void Statement::reset() {
    if (m_server) return m_server->reset();
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const {
    if (m_server) return m_server->columnCount();
    return sqlite3_column_count(m_stmt);
}
bool Statement::columnIsNull(int column) const {
    if (m_server) return m_server->columnIsNull(column);
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
std::int64_t Statement::columnInt(int column) const {
    if (m_server) return m_server->columnInt(column);
    return sqlite3_column_int64(m_stmt, column);
}

std::string_view Statement::columnText(int column) const {
    if (m_server) return m_server->columnText(column);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)))
                : std::string_view();
}

std::vector<std::string> statementsOf(std::string_view sql) {
    return server::statementsOf(sql);
}

bool isRefusal(const platform::Error& error) {
    return (error.code() & 0xff) == SQLITE_CONSTRAINT;
}

bool isDuplicateKey(const platform::Error& error) {
    return error.code() == SQLITE_CONSTRAINT_UNIQUE || error.code() == SQLITE_CONSTRAINT_PRIMARYKEY;
}

} // namespace db
