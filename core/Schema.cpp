#include "core/Schema.h"

#include "core/plan/PrizePlan.h"
#include "core/record/Journal.h"
#include "core/schema_sql.h"
#include "core/winners/Handovers.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <functional>

namespace schema {

void createDatabase(const std::string& path) {
    db::Connection::createDatabase(path, kSchemaSql);
}

namespace {

// The tables the program makes only when it first needs them, each with its maker: one line per table.
struct LaterTable {
    const char* name;
    std::function<void(db::Connection&)> create;
};
const LaterTable kLaterTables[] = {
    {record::Journal::kTable, &record::Journal::createTable},
    {core::PrizePlan::kPrizes, &core::PrizePlan::createTables},
    {core::PrizePlan::kWinners, &core::PrizePlan::createTables},
    {core::PrizePlan::kForfeits, &core::PrizePlan::createTables},
    {core::PrizePlan::kEvent, &core::PrizePlan::createTables},
    {core::Handovers::kTable, &core::PrizePlan::createTables},
};

// The table a CREATE TABLE statement makes; empty for any other statement.
std::string tableCreatedBy(const std::string& statement) {
    static const QRegularExpression create(QStringLiteral(R"(^\s*CREATE\s+TABLE\s+(?:IF\s+NOT\s+EXISTS\s+)?"?(\w+))"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto match = create.match(QString::fromStdString(statement));
    return match.hasMatch() ? match.captured(1).toStdString() : std::string();
}

} // namespace

std::vector<std::string> createMissingTables(db::Connection& connection) {
    std::vector<std::string> made;
    db::Transaction transaction(connection);
    connection.serializeSchemaChanges(); // another desk starting now waits, then finds the tables made
    // Each table of the schema with the statements that follow it (its first rows), when it is missing.
    bool making = false;
    for (const std::string& statement : db::statementsOf(kSchemaSql)) {
        if (const std::string table = tableCreatedBy(statement); !table.empty()) {
            making = !connection.hasTable(table);
            if (making) made.push_back(table);
        }
        if (making) connection.exec(statement);
    }
    std::vector<const LaterTable*> missing;
    for (const LaterTable& table : kLaterTables)
        if (!connection.hasTable(table.name)) missing.push_back(&table);
    for (const LaterTable* table : missing) {
        if (!connection.hasTable(table->name)) table->create(connection); // one maker may make several
        made.emplace_back(table->name);
    }
    transaction.commit();
    return made;
}

bool madeWhenNeeded(const std::string& table) {
    return std::any_of(std::begin(kLaterTables), std::end(kLaterTables),
                       [&](const LaterTable& later) { return table == later.name; });
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
