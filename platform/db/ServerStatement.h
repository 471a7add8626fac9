#pragma once

#include "platform/db/ServerSql.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct pg_result;

namespace db {

class ServerConnection;

// A statement on a PostgreSQL server behind db::Statement, with the same behaviour: parameters bound by number,
// rows stepped through, a value read as the file would give it (a number's text as the file writes it, a blob's
// bytes). A statement run more than once is prepared on the server; rows read inside a read transaction come in
// batches from a server cursor, so a million rows never sit in memory twice.
class ServerStatement {
public:
    enum class Kind { Integer, Real, Boolean, Text, Blob };

    ServerStatement(ServerConnection& connection, std::string_view sql);
    ~ServerStatement();
    ServerStatement(const ServerStatement&) = delete;
    ServerStatement& operator=(const ServerStatement&) = delete;

    void bindNull(int index);
    void bindText(int index, std::string_view text);
    void bindInt(int index, std::int64_t value);
    void bindReal(int index, double value);
    void bindBlob(int index, std::string_view bytes);

    bool step();
    bool runUnlessRefused(std::string& refusal);
    void reset();
    // The rows will be read straight through, nothing else run on the connection meanwhile: a statement without
    // parameters then streams them in the server's binary COPY form, the fastest it sends rows in.
    void setReadThrough() { m_readThrough = true; }

    int columnCount() const;
    bool columnIsNull(int column) const;
    std::int64_t columnInt(int column) const;
    std::string_view columnText(int column) const;

    // The current row's value as the server sent it (a number as text, a blob hex-encoded) and its kind: for the
    // snapshot's store, which reads every value once.
    Kind kind(int column) const { return m_kinds[static_cast<std::size_t>(column)]; }
    std::string_view raw(int column) const;
    double real(int column) const;
    // A blob's bytes.
    std::string blob(int column) const;
    // A blob's bytes from the server's hex text.
    static std::string decodedBlob(std::string_view hex);

private:
    void bind(int index, std::string value, unsigned type);
    void execute();
    bool startCopy();
    bool nextCopiedRow();
    void endCopy();
    std::int64_t binaryInt(int column) const;
    void take(pg_result* result);
    bool fetch();
    void finish();

    ServerConnection& m_connection;
    server::Translation m_translation;
    std::vector<std::string> m_values;
    std::vector<bool> m_null;
    std::vector<unsigned> m_types;
    pg_result* m_result = nullptr;
    int m_row = -1;
    int m_rows = 0;
    bool m_executed = false;
    std::string m_cursor; // open server cursor, while batches remain
    std::string m_prepared;
    int m_preparedGeneration = 0;
    int m_runs = 0;
    std::vector<Kind> m_kinds;
    mutable std::vector<std::string> m_rooms; // per column: a value turned into the file's text
    mutable int m_described = -1;             // the columns, when asked before the statement ran
    bool m_readThrough = false;
    // Streaming the rows in COPY's binary form: the current row's message, and each field's place in it.
    bool m_copying = false;
    bool m_copyHeaderRead = false;
    char* m_copied = nullptr;
    std::vector<int> m_offsets;
    std::vector<int> m_lengths;
};

} // namespace db
