#pragma once

#include "platform/db/TableCursor.h"

namespace db {
class Connection;
}

namespace core {

// The program's settings: the first row of the setup table, read and written through one cursor (the draw
// screen's speed field is bound to it). Every write goes through the cursor, so it gets its journal entry, and
// an outside UPDATE never leaves the cursor holding a row that is not there any more.
class Settings {
public:
    explicit Settings(db::Connection& connection);

    // The cursor on setup, named as the draw screen knows it.
    db::TableCursor& cursor() { return m_cursor; }

    // Opens the table; the cursor stands on its first row.
    void open();
    // The shuffle interval in milliseconds as the current row holds it. Throws when the table has no row or no
    // speed, or one out of range.
    int speed() const;
    // Reads the table again ("OK" of the speed box): a speed being typed is stored first.
    void reread();

    // "Pemenang tidak diundi lagi", read from the current row; off when the file could not be given the setting.
    void readWinnersOnce();
    bool winnersOnce() const { return m_winnersOnce; }
    // Stores the setting at once, whatever is being typed into the speed; throws, storing nothing, when the file
    // lacks the column.
    void storeWinnersOnce(bool on);

private:
    db::TableCursor m_cursor{"ADOTable2"};
    bool m_winnersOnce = false;
};

} // namespace core
