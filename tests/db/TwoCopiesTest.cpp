// Two copies of the program on one database file, each with its own connection and cursors. A change or delete
// posted from one copy's snapshot touches the row that snapshot read, or nothing: SQLite gives a freed rowid to the
// next new row, so the rowid alone may name another copy's row by then.
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/SqliteAccess.h"
#include "platform/db/TableCursor.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string kNotLocated =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";

// The other copy: its own connection on the same file, a cursor and the SQL command as its screens use them.
struct OtherCopy {
    explicit OtherCopy(const std::string& path) {
        cn.setDatabasePath(path);
        cn.open();
        cursor.setConnection(&cn);
        command.setConnection(&cn);
    }
    void open(const std::string& table) {
        cursor.close();
        cursor.setTableName(table);
        cursor.open();
    }
    // A new participant typed in and saved, as "Input Baru" + "Simpan" does.
    void typeParticipant(const std::string& id, const std::string& name) {
        cursor.append();
        cursor.setFieldText("ID", id);
        cursor.setFieldText("no_undian", "B" + id);
        cursor.setFieldText("nama", name);
        cursor.post();
    }
    // A winner saved by the draw screen's insert.
    void saveWinner(const std::string& number, const std::string& name, const std::string& prize) {
        command.setCommandText("INSERT INTO tb_pemenang VALUES(?,?,?)");
        command.setParameters({number, name, prize});
        command.execute();
    }
    db::Connection cn;
    db::TableCursor cursor{"ADOTable1"};
    db::SqlCommand command;
};

enum class Action { Delete, Change };

struct CopiesCase {
    const char* name;
    const char* table;
    const char* rows;     // the table before either copy looks
    std::size_t standsOn; // the row this copy shows, in its cursor's order
    std::function<void(OtherCopy&)> meanwhile;
    Action action;
    bool located; // the row is still as read: the action goes through
    Rows after;   // the table afterwards, in rowid order
};

std::ostream& operator<<(std::ostream& out, const CopiesCase& c) {
    return out << c.name;
}

const char* kParticipants = "INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081'),(2,'A2','Nama 2','082')";

// What the other copy does meanwhile.
void deleteWinnerAndSaveAnother(OtherCopy& b) {
    b.open("tb_pemenang");
    b.cursor.remove();
    b.saveWinner("0822", "Budi", "Radio"); // under the freed rowid
}
void deleteAllAndTypeTwo(OtherCopy& b) { // "Hapus Semua", then two participants typed in
    b.command.setCommandText("DELETE FROM tb_peserta");
    b.command.execute();
    b.open("tb_peserta");
    b.typeParticipant("1", "Baru 1");
    b.typeParticipant("2", "Baru 2");
}
void changeRowInPlace(OtherCopy& b) {
    b.open("tb_peserta");
    b.cursor.last();
    b.cursor.edit();
    b.cursor.setFieldText("hp", "0899");
    b.cursor.post();
}
void changeOtherRowAndTypeOne(OtherCopy& b) {
    b.open("tb_peserta");
    b.cursor.edit();
    b.cursor.setFieldText("nama", "Lain");
    b.cursor.post();
    b.typeParticipant("3", "Baru 3");
}

const Rows kTwoTyped = {{"1", "1", "B1", "Baru 1", "<null>"}, {"2", "2", "B2", "Baru 2", "<null>"}};

const CopiesCase copiesCases[] = {
    // "Lihat Pemenang" open here on a winner, "Delete" pressed after the other copy's change.
    {"WinnerDeletedAndRowidReusedThenDelete", "tb_pemenang", "INSERT INTO tb_pemenang VALUES('0811','Ani','TV')", 0,
     deleteWinnerAndSaveAnother, Action::Delete, false, Rows{{"1", "0822", "Budi", "Radio"}}},
    // Participant 2 on the form here, then "Hapus Data", or "Ubah Data" + "Simpan".
    {"AllDeletedAndTwoTypedThenHapusData", "tb_peserta", kParticipants, 1, deleteAllAndTypeTwo, Action::Delete, false,
     kTwoTyped},
    {"AllDeletedAndTwoTypedThenUbahData", "tb_peserta", kParticipants, 1, deleteAllAndTypeTwo, Action::Change, false,
     kTwoTyped},
    {"ChangedInPlaceThenUbahData", "tb_peserta", kParticipants, 1, changeRowInPlace, Action::Change, false,
     Rows{{"1", "1", "A1", "Nama 1", "081"}, {"2", "2", "A2", "Nama 2", "0899"}}},
    // The other copy changed other rows only: this row is as read, so the delete and the change go through.
    {"OtherRowsChangedThenDelete", "tb_peserta", kParticipants, 1, changeOtherRowAndTypeOne, Action::Delete, true,
     Rows{{"1", "1", "A1", "Lain", "081"}, {"3", "3", "B3", "Baru 3", "<null>"}}},
    {"OtherRowsChangedThenUbahData", "tb_peserta", kParticipants, 1, changeOtherRowAndTypeOne, Action::Change, true,
     Rows{{"1", "1", "A1", "Lain", "081"}, {"2", "2", "A2", "Diubah", "082"}, {"3", "3", "B3", "Baru 3", "<null>"}}},
};

// Two desks on one server database, or two copies on one file.
class TwoCopiesTest : public ::testing::TestWithParam<std::tuple<Store, CopiesCase>> {
protected:
    // The table in rowid order. A server never gives a key twice, so there the rows are compared without their
    // keys: the file's case is the one where a freed rowid names another row.
    Rows table(const CopiesCase& c) const {
        if (db.store() == Store::File)
            return db.rows(std::string("SELECT rowid, * FROM ") + c.table + " ORDER BY rowid");
        return db.rows(std::string("SELECT * FROM ") + c.table + " ORDER BY rowid");
    }
    Rows expected(const CopiesCase& c) const {
        if (db.store() == Store::File) return c.after;
        Rows rows = c.after;
        for (auto& row : rows)
            row.erase(row.begin());
        return rows;
    }
    TestDatabase db{std::get<0>(GetParam())};
    db::TableCursor cursor{"ADOTable1"};
};

TEST_P(TwoCopiesTest, TouchesOnlyTheRowAsRead) {
    const CopiesCase& c = std::get<1>(GetParam());
    db.exec(c.rows);
    cursor.setConnection(&db.cn());
    cursor.setTableName(c.table);
    cursor.open();
    cursor.moveTo(c.standsOn);
    std::vector<std::string> asRead;
    for (int field = 0; field < cursor.fieldCount(); ++field)
        asRead.push_back(cursor.fieldText(field));
    const std::size_t count = cursor.recordCount();
    {
        OtherCopy other(db.path());
        c.meanwhile(other);
    }

    const std::string error = errorOf([&] {
        if (c.action == Action::Delete) {
            cursor.remove();
        } else {
            cursor.edit();
            cursor.setFieldText(2, "Diubah");
            cursor.post();
        }
    });
    EXPECT_EQ(table(c), expected(c));
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    if (c.located) {
        EXPECT_EQ(error, "<no error>");
        return;
    }
    EXPECT_EQ(error, kNotLocated);
    // The snapshot keeps the row as read, on the same place; the cursor goes on working.
    EXPECT_EQ(cursor.recordCount(), count);
    EXPECT_EQ(cursor.position(), c.standsOn);
    for (int field = 0; field < cursor.fieldCount(); ++field)
        EXPECT_EQ(cursor.fieldText(field), asRead[static_cast<std::size_t>(field)]);
    cursor.first();
    cursor.requery(); // and a re-query shows the table as it is
    EXPECT_EQ(cursor.recordCount(), c.after.size());
    EXPECT_EQ(cursor.fieldText(1), c.after.front()[2]);
}

INSTANTIATE_TEST_SUITE_P(Cases, TwoCopiesTest,
                         ::testing::Combine(::testing::ValuesIn(kStores), ::testing::ValuesIn(copiesCases)),
                         [](const auto& info) {
                             return std::string(storeName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

// The values as read are compared as the snapshot holds them, type included, and bytewise whatever the column's
// collation says; the column here has neither a type nor a binary collation to help.
struct ValueCase {
    const char* name;
    const char* asRead;    // SQL literal
    const char* meanwhile; // SQL literal the other copy writes, or nullptr for no change
    bool located;
};

std::ostream& operator<<(std::ostream& out, const ValueCase& c) {
    return out << c.name;
}

const ValueCase valueCases[] = {
    {"IntegerUnchanged", "5", nullptr, true},         {"RealUnchanged", "2.5", nullptr, true},
    {"TextUnchanged", "'Ani'", nullptr, true},        {"NullUnchanged", "NULL", nullptr, true},
    {"BlobUnchanged", "x'00FF41'", nullptr, true},    {"IntegerBecameText", "5", "'5'", false},
    {"TextBecameInteger", "'5'", "5", false},         {"IntegerBecameReal", "5", "5.0", false},
    {"TextChangedCaseOnly", "'Ani'", "'ANI'", false}, {"EmptyTextBecameNull", "''", "NULL", false},
    {"NullBecameEmptyText", "NULL", "''", false},     {"BlobBecameText", "x'41'", "'A'", false},
};

// A table of one row, read by the cursor, then changed (or not) by the other copy.
class StoredValueTest : public ::testing::TestWithParam<ValueCase> {
protected:
    void SetUp() override {
        const ValueCase& c = GetParam();
        db.exec(std::string("CREATE TABLE loose(k, v COLLATE NOCASE); INSERT INTO loose VALUES(1,") + c.asRead + ")");
        cursor.setConnection(&db.cn());
        cursor.setTableName("loose");
        cursor.open();
        if (c.meanwhile) db.exec(std::string("UPDATE loose SET v=") + c.meanwhile);
    }
    TestDatabase db;
    db::TableCursor cursor{"ADOTable1"};
};

TEST_P(StoredValueTest, DeleteMatchesTheValueAsStored) {
    const ValueCase& c = GetParam();
    const std::string error = errorOf([&] { cursor.remove(); });
    EXPECT_EQ(error, c.located ? "<no error>" : kNotLocated);
    EXPECT_EQ(db.count("loose"), c.located ? 0 : 1);
}

TEST_P(StoredValueTest, ChangeMatchesTheValueAsStoredAndKeepsUntouchedTypes) {
    const ValueCase& c = GetParam();
    const Rows before = db.rows("SELECT typeof(v), quote(v) FROM loose");
    cursor.edit();
    cursor.setFieldText("k", "2");
    const std::string error = errorOf([&] { cursor.post(); });
    EXPECT_EQ(error, c.located ? "<no error>" : kNotLocated);
    EXPECT_EQ(db.rows("SELECT k FROM loose"), (Rows{{c.located ? "2" : "1"}}));
    // The field not typed into keeps its value and its type.
    EXPECT_EQ(db.rows("SELECT typeof(v), quote(v) FROM loose"), before);
    if (!c.located) return;
    // What the snapshot now holds is what the table holds: a second change goes through as well.
    cursor.edit();
    cursor.setFieldText("k", "3");
    EXPECT_EQ(errorOf([&] { cursor.post(); }), "<no error>");
    EXPECT_EQ(errorOf([&] { cursor.remove(); }), "<no error>");
    EXPECT_EQ(db.count("loose"), 0);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredValueTest, ::testing::ValuesIn(valueCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A row the cursor itself inserted or changed is held as the table stored it (the column's type applied to what was
// typed), so it can be changed and deleted again from the same snapshot.
TEST(TwoCopies, RowsPostedHereAreHeldAsStored) {
    TestDatabase db;
    db.exec("CREATE TABLE typed(n NUMERIC, r REAL, d TEXT DEFAULT 'x')");
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&db.cn());
    cursor.setTableName("typed");
    cursor.open();
    cursor.append();
    cursor.setFieldText("n", "7");
    cursor.setFieldText("r", "1");
    cursor.post();
    EXPECT_EQ(cursor.fieldText("n"), "7");
    EXPECT_EQ(cursor.fieldText("r"), "1"); // a real 1.0, as a re-query shows it
    cursor.edit();
    cursor.setFieldText("n", "8");
    cursor.post();
    EXPECT_EQ(db.rows("SELECT typeof(n), typeof(r), quote(d) FROM typed"), (Rows{{"integer", "real", "NULL"}}));
    cursor.remove();
    EXPECT_EQ(db.count("typed"), 0);
}

// The statements that find the row as read go by its rowid, whatever index the table has: a delete or a change
// costs O(log n) however long the table.
TEST(TwoCopies, RowIsFoundByItsRowid) {
    TestDatabase db;
    db.exec(kParticipants);
    db.exec("INSERT INTO tb_pemenang VALUES('0811','Ani','TV'),('0822','Budi','Radio')");
    std::vector<std::string> statements;
    sqlite3_trace_v2(
        db::SqliteAccess::handle(db.cn()), SQLITE_TRACE_STMT,
        [](unsigned, void* context, void* statement, void*) {
            const std::string sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
            if (sql.rfind("DELETE", 0) == 0 || sql.rfind("UPDATE", 0) == 0)
                static_cast<std::vector<std::string>*>(context)->push_back(sql);
            return 0;
        },
        &statements);
    for (const char* table : {"tb_peserta", "tb_pemenang"}) {
        db::TableCursor cursor("ADOTable1");
        cursor.setConnection(&db.cn());
        cursor.setTableName(table);
        cursor.open();
        cursor.edit();
        cursor.setFieldText(1, "X");
        cursor.post();
        cursor.remove();
    }
    sqlite3_trace_v2(db::SqliteAccess::handle(db.cn()), 0, nullptr, nullptr);
    ASSERT_EQ(statements.size(), 4u);
    for (const std::string& sql : statements) {
        sqlite3_stmt* plan = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db::SqliteAccess::handle(db.cn()), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1,
                                     &plan, nullptr),
                  SQLITE_OK);
        std::string details;
        while (sqlite3_step(plan) == SQLITE_ROW)
            details += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3)) + std::string("; ");
        sqlite3_finalize(plan);
        EXPECT_NE(details.find("USING INTEGER PRIMARY KEY (rowid=?)"), std::string::npos) << sql << "\n" << details;
        EXPECT_EQ(details.find("SCAN"), std::string::npos) << sql << "\n" << details;
    }
}

} // namespace
