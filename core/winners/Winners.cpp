#include "core/winners/Winners.h"

#include "core/record/Events.h"
#include "core/record/Journal.h"
#include "core/winners/ExportLine.h"
#include "platform/db/TableCursor.h"
#include "platform/files/ExportFile.h"

#include <QDir>
#include <QJsonObject>

namespace core {

std::size_t Winners::exportTo(db::TableCursor& winners, const QString& path) {
    files::ExportFile file(path);
    file.writeLine(kExportHeader);
    winners.first();

    // The lines are read straight from the cursor's snapshot, so a grid on it does not follow a million moves.
    const std::size_t rows = winners.recordCount();
    std::string line;
    for (std::size_t row = 0; row < rows; ++row) {
        exportLine(row + 1, winners, row, line);
        try {
            file.writeLine(line);
        } catch (...) {
            winners.moveTo(row); // the row whose line failed
            throw;
        }
    }
    winners.last();
    winners.next();

    const QJsonObject exported{{QStringLiteral("path"), QDir::toNativeSeparators(path)},
                               {QStringLiteral("rows"), static_cast<double>(rows)},
                               {QStringLiteral("sha256"), file.sha256()}};
    m_journal.record(record::event::kExport, exported, [&] { file.commit(); });
    return rows;
}

} // namespace core
