#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace db {

// One row written through a table cursor, as the cursor hands it to the connection's hook.
struct RowWrite {
    enum class Kind { Insert, Update, Delete };
    Kind kind = Kind::Insert;
    std::string table;
    std::int64_t rowid = 0;
    std::vector<std::optional<std::string>> before; // the row as the snapshot read it: Update and Delete
    std::vector<std::optional<std::string>> after;  // the row as stored: Insert and Update
    std::vector<std::string> fields;                // the table's field names, in the order of the values
};

// Writes what a cursor's change needs beside it (the journal's entry), in the change's own transaction.
class RowWriteHook {
public:
    virtual ~RowWriteHook() = default;
    // Before the change's transaction opens; it may write on its own. An exception stops the change unstarted.
    virtual void beforeWrite() {}
    // Inside the change's transaction, after the row is written and before the snapshot takes the change. An
    // exception rolls the change back: neither the row nor what the hook wrote stays.
    virtual void rowWritten(const RowWrite& write) = 0;
};

} // namespace db
