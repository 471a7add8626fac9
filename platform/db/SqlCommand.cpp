#include "platform/db/SqlCommand.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Statement.h"

namespace db {

int SqlCommand::execute() {
    if (!m_connection) throw platform::Error("Missing Connection or ConnectionString");
    Statement statement(*m_connection, m_text);
    for (std::size_t i = 0; i < m_parameters.size(); ++i)
        statement.bind(static_cast<int>(i) + 1, m_parameters[i]);
    while (statement.step()) {
    }
    return m_connection->changes();
}

} // namespace db
