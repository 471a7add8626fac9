#include "core/Settings.h"

#include "core/Schema.h"
#include "platform/Error.h"

namespace core {

Settings::Settings(db::Connection& connection) {
    m_cursor.setConnection(&connection);
    m_cursor.setTableName("setup");
}

void Settings::open() {
    m_cursor.open();
}

int Settings::speed() const {
    const std::string text = m_cursor.fieldText("speed");
    if (m_cursor.recordCount() == 0 || text.empty()) throw platform::Error("The setup table holds no speed");
    const auto speed = m_cursor.fieldInt("speed");
    if (speed < 0 || speed > 0x7fffffff) throw platform::Error("'" + text + "' is not a valid speed");
    return static_cast<int>(speed);
}

void Settings::reread() {
    m_cursor.requery();
}

void Settings::readWinnersOnce() {
    try {
        m_winnersOnce = m_cursor.fieldInt(schema::kWinnersOnceColumn) == 1;
    } catch (const platform::Error&) {
        m_winnersOnce = false; // a file that could not be given the setting: off, and saying why when switched
    }
}

void Settings::storeWinnersOnce(bool on) {
    int column = -1;
    try {
        column = m_cursor.fieldIndex(schema::kWinnersOnceColumn);
    } catch (const platform::Error&) {
        m_cursor.checkActive();
        throw platform::Error(std::string("The setting cannot be stored: the setup table has no column ") +
                              schema::kWinnersOnceColumn +
                              ", which the program adds at start-up when the database can be written");
    }
    m_cursor.storeField(column, on ? "1" : "0");
    m_winnersOnce = on;
}

} // namespace core
