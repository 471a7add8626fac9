#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace db {
class Connection;
}

// Stores the participant rows of a workbook (see ParticipantRows) in tb_peserta, all or nothing: the rows go in one
// transaction that a refused row rolls back whole, so the operator can mend the file and upload it again.
class ParticipantUpload {
public:
    enum class Outcome { Stored, Refused };
    struct Result {
        Outcome outcome = Outcome::Stored;
        std::size_t rows = 0; // rows stored; when refused, the rows read before the refused one
        std::string reason;   // why a row was refused, naming its sheet row
    };
    // Told the number of rows read so far, after each batch.
    using Progress = std::function<void(std::size_t rows)>;

    explicit ParticipantUpload(db::Connection& connection) : m_connection(connection) {}
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Reads the file anew and stores its rows: column 1 to ID, 2 to no_undian, 3 to nama, 4 to hp; fields beyond
    // the sheet's last used column stay NULL. A row is refused when its ID is empty, not a whole number, already
    // stored or repeated in the file, or when the sheet is wider than the table's four fields: the result is then
    // Refused and nothing is stored. A file that cannot be read and a failure of the database throw platform::Error,
    // and nothing is stored either.
    Result run(const std::string& path);

private:
    db::Connection& m_connection;
    Progress m_progress;
};
