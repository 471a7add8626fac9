#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace core {

// A prize plan read from a workbook ("Import" on the plan's screen): its first worksheet, row 1 a heading, then one
// prize per row in the order they are drawn, with three columns: the prize's name, how many winners it has, and how
// many a round draws (empty: 1). Rows with no value at all are passed over. A file with a row that breaks a rule of
// the plan is refused whole, naming the row and what is wrong with it, so the operator mends the file and imports it
// again.
class PlanImport {
public:
    struct Row {
        QString name;
        std::int64_t quantity = 0;
        int perRound = 1;
    };
    struct Result {
        std::vector<Row> rows;
        // Why the file is refused, in the operator's words; empty when its plan can be stored.
        QString refusal;
        std::size_t sheetRow = 0; // the row refused; 0 when the file as a whole is
        bool refused() const { return !refusal.isEmpty(); }
    };

    // Reads the whole file. A file that cannot be read throws platform::Error naming it.
    static Result read(const std::string& path);

    static constexpr int kColumns = 3;
};

} // namespace core
