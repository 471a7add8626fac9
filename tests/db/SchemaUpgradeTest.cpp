#include "core/Schema.h"
#include "platform/Error.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include "platform/db/Connection.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The setup table as files made before the setting existed have it.
void makeOlder(const TestDatabase& db) {
    db.exec("DROP TABLE setup; CREATE TABLE setup (speed INTEGER NOT NULL CHECK (speed >= 0));"
            "INSERT INTO setup VALUES (75)");
}

const std::string kColumns = "SELECT group_concat(name, ',') FROM pragma_table_info('setup')";

TEST(SchemaUpgrade, AddsTheSettingOffToAnOlderFileAndKeepsTheSpeed) {
    TestDatabase db;
    makeOlder(db);
    schema::upgrade(db.cn());
    EXPECT_EQ(db.rows(kColumns), (Rows{{"speed,pemenang_tidak_diundi_lagi"}}));
    EXPECT_EQ(db.rows("SELECT * FROM setup"), (Rows{{"75", "0"}}));
    schema::upgrade(db.cn()); // once is enough: a second start-up changes nothing
    EXPECT_EQ(db.rows(kColumns), (Rows{{"speed,pemenang_tidak_diundi_lagi"}}));
    // The column keeps to its two values like one made with the table.
    EXPECT_NE(errorOf([&] { db.cn().exec("UPDATE setup SET pemenang_tidak_diundi_lagi=2"); }), "<no error>");
}

TEST(SchemaUpgrade, LeavesCurrentAndIncompleteFilesAlone) {
    TestDatabase current;
    const Rows before = current.rows("SELECT sql FROM sqlite_schema ORDER BY name");
    schema::upgrade(current.cn());
    EXPECT_EQ(current.rows("SELECT sql FROM sqlite_schema ORDER BY name"), before);

    TestDatabase withoutSetup; // reported by whoever opens the table, not here
    withoutSetup.exec("DROP TABLE setup");
    schema::upgrade(withoutSetup.cn());
    EXPECT_EQ(withoutSetup.rows("SELECT count(*) FROM sqlite_schema WHERE name='setup'"), (Rows{{"0"}}));
}

TEST(SchemaUpgrade, AReadOnlyFileSaysWhy) {
    TestDatabase db;
    makeOlder(db);
    db::Connection readOnly;
    readOnly.setDatabasePath(db.path());
    readOnly.setReadOnly(true);
    readOnly.open();
    EXPECT_NE(errorOf([&] { schema::upgrade(readOnly); }).find("attempt to write a readonly database"),
              std::string::npos);
    readOnly.close();
    EXPECT_EQ(db.rows(kColumns), (Rows{{"speed"}}));
}

} // namespace
