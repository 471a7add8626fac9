#pragma once

#include "core/winners/Handovers.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace db {
class Connection;
class TableCursor;
} // namespace db
namespace record {
class Journal;
}

namespace core {

// The winners table as the winners screen hands it out: the export, and the workbook for the people who hand the
// prizes over. A winner is deleted, typed in or changed through a table cursor, whose writes the journal records
// through its hook.
class Winners {
public:
    Winners(db::Connection& connection, record::Journal& journal) : m_connection(connection), m_journal(journal) {}

    // "Export Excel": a header line and one tab-separated line per row of the cursor's snapshot, in its order, written
    // whole or not at all and put in place inside the transaction of its journal entry (which names the file by the
    // SHA-256 of its bytes): both there, or neither. Returns the rows written. The cursor ends past its last row, as a
    // walk through it would leave it; when a line cannot be written, on that line's row.
    std::size_t exportTo(db::TableCursor& winners, const QString& path);

    // A winner as "Export .xlsx" lists it.
    struct SheetRow {
        QString number; // no_undian
        QString name;
        QString phone; // the participant's hp: by the ID a round of the plan saved, else by the draw number (and
                       // the name, where several participants share the number); empty when none is found
        QString prize;
        QDateTime saved; // when its journal entry saved or typed it in (UTC); invalid when the journal has none
        Handover handover;
    };
    // The column headings of the workbook, in order.
    static const QStringList& sheetHeading();
    // Every winner as the tables hold them now, in the winners table's order.
    std::vector<SheetRow> sheetRows() const;
    // "Export .xlsx": those rows as a workbook (the times in local time), written whole or not at all and put in
    // place inside the transaction of its journal entry (an "export" naming the format), as the export is. Returns
    // the rows written.
    std::size_t exportWorkbook(const QString& path);

private:
    db::Connection& m_connection;
    record::Journal& m_journal;
};

} // namespace core
