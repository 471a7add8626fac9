#pragma once

#include <optional>
#include <string>
#include <vector>

namespace db {

class Connection;

// Runs one statement over the connection and returns no rows. User text goes in as bound parameters.
class SqlCommand {
public:
    void setConnection(Connection* connection) { m_connection = connection; }
    void setCommandText(std::string text) { m_text = std::move(text); }
    const std::string& commandText() const { return m_text; }
    void setParameters(std::vector<std::optional<std::string>> parameters) { m_parameters = std::move(parameters); }

    // Returns the number of rows the statement changed.
    int execute();

private:
    Connection* m_connection = nullptr;
    std::string m_text;
    std::vector<std::optional<std::string>> m_parameters;
};

} // namespace db
