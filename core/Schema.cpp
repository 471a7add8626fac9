#include "core/Schema.h"

#include "core/schema_sql.h"
#include "platform/db/Connection.h"

#include <QString>
#include <algorithm>

namespace schema {

void createDatabase(const std::string& path) {
    db::Connection::createDatabase(path, kSchemaSql);
}

void upgrade(db::Connection& connection) {
    const std::vector<std::string> columns = connection.columnNames("setup");
    // Column names are matched as the database matches them, whatever their case.
    const auto named = [](const std::string& name) {
        return QString::fromStdString(name).compare(QLatin1String(kWinnersOnceColumn), Qt::CaseInsensitive) == 0;
    };
    if (columns.empty() || std::any_of(columns.begin(), columns.end(), named)) return;
    connection.exec(std::string("ALTER TABLE setup ADD COLUMN ") + kWinnersOnceColumn +
                    " INTEGER NOT NULL DEFAULT 0 CHECK (" + kWinnersOnceColumn + " IN (0, 1))");
}

} // namespace schema
