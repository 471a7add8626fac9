#include "core/Session.h"

#include "core/Schema.h"
#include "platform/Error.h"

namespace core {

Session::Session() {
    m_connection.setRowWriteHook(&m_rowWrites);
    // A run's first journal entry names the list the draw read.
    m_journal.setRunStart([this] { return m_draw.runStart(); });
}

void Session::open(const std::string& path) {
    m_connection.close();
    m_connection.setDatabasePath(path);
    m_connection.open();
    m_tablesMade.clear();
    if (m_connection.isServer()) {
        // The operator is told of the tables of a new database; those a file makes only when first needed (the
        // journal's, the prize plan's) are made silently, as there.
        for (std::string& table : schema::createMissingTables(m_connection))
            if (!schema::madeWhenNeeded(table)) m_tablesMade.push_back(std::move(table));
    }
    try {
        schema::upgrade(m_connection); // an older file gains what this version keeps
    } catch (const platform::Error&) {
        // A file that cannot be written (read-only, locked) is still drawn from; the setting it lacks stays off
        // and says why when it is switched on.
    }
}

} // namespace core
