#include "platform/db/TableCursor.h"
#include "platform/Error.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Rows = std::vector<std::vector<std::string>>;

Store storeOf(Store store) {
    return store;
}
template <class Case> Store storeOf(const std::tuple<Store, Case>& param) {
    return std::get<0>(param);
}

// A cursor on a database of either store: the cases of a suite run on a file and on the tests' server alike.
template <class Param> class CursorFixture : public ::testing::TestWithParam<Param> {
protected:
    // Participants inserted out of ID order and with gaps, so the cursor's own order (rowid) is not the ID order.
    void addParticipants() {
        db.exec("INSERT INTO tb_peserta VALUES(20,'A20','Nama 20','0820');"
                "INSERT INTO tb_peserta VALUES(3,'A3','Nama 3','083');"
                "INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081');"
                "INSERT INTO tb_peserta VALUES(25,'B25','Nama 25','0825');"
                "INSERT INTO tb_peserta VALUES(10,'A10','Nama 10','0810');"
                "INSERT INTO tb_peserta VALUES(2,'a2','Nama 2','082');");
    }
    void openOn(const std::string& table) {
        cursor.setConnection(&db.cn());
        cursor.setTableName(table);
        cursor.open();
    }

    TestDatabase db{storeOf(this->GetParam())};
    db::TableCursor cursor{"ADOTable1"};
};

class CursorTest : public CursorFixture<Store> {};
// What only the file's own SQL can set up or look at (typeof(), a column without a type, rowids chosen by hand).
class FileCursorTest : public CursorFixture<Store> {};

// A suite of cases, each run on both stores.
template <class Case> class CasesOnEachStore : public CursorFixture<std::tuple<Store, Case>> {
protected:
    const Case& theCase() const { return std::get<1>(this->GetParam()); }
};

template <class Case> auto onEachStore(const Case& cases) {
    return ::testing::Combine(::testing::ValuesIn(kStores), ::testing::ValuesIn(cases));
}

template <class Info> std::string caseName(const Info& info) {
    return std::string(storeName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
}

// --- Settling a pending row --------------------------------------------------------------------------------

struct SettleCase {
    const char* action;
    std::function<void(db::TableCursor&)> run;
};

std::ostream& operator<<(std::ostream& out, const SettleCase& c) {
    return out << c.action;
}

const SettleCase settleActions[] = {
    {"next", [](db::TableCursor& c) { c.next(); }},
    {"prior", [](db::TableCursor& c) { c.prior(); }},
    {"first", [](db::TableCursor& c) { c.first(); }},
    {"last", [](db::TableCursor& c) { c.last(); }},
    {"moveTo", [](db::TableCursor& c) { c.moveTo(1); }},
    {"locate", [](db::TableCursor& c) { c.locate("ID", "2", true); }},
    {"moveToRank", [](db::TableCursor& c) { c.moveToRank(0, 1); }},
    {"requery", [](db::TableCursor& c) { c.requery(); }},
    {"append",
     [](db::TableCursor& c) {
         c.append();
         c.cancel(); // the new row of this append is not the one under test
     }},
};

class SettleTest : public CasesOnEachStore<SettleCase> {};

TEST_P(SettleTest, ChangedNewRowIsPosted) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081'),(2,'A2','Nama 2','082')");
    openOn("tb_peserta");
    cursor.append();
    cursor.setFieldText("ID", "3");
    cursor.setFieldText("no_undian", "A3");
    theCase().run(cursor);
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(db.rows("SELECT * FROM tb_peserta WHERE ID=3"), (Rows{{"3", "A3", "<null>", "<null>"}}));
    EXPECT_EQ(db.count("tb_peserta"), 3);
}

TEST_P(SettleTest, UntouchedNewRowIsDropped) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081'),(2,'A2','Nama 2','082')");
    openOn("tb_peserta");
    cursor.append();
    theCase().run(cursor);
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(db.count("tb_peserta"), 2);
    EXPECT_EQ(cursor.recordCount(), 2u);
}

TEST_P(SettleTest, ChangedRowIsPosted) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081'),(2,'A2','Nama 2','082')");
    openOn("tb_peserta");
    cursor.edit();
    cursor.setFieldText("nama", "Budi");
    theCase().run(cursor);
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(db.rows("SELECT nama FROM tb_peserta ORDER BY ID"), (Rows{{"Budi"}, {"Nama 2"}}));
}

TEST_P(SettleTest, UntouchedEditIsDropped) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081'),(2,'A2','Nama 2','082')");
    openOn("tb_peserta");
    cursor.edit();
    // Another program changes the row meanwhile: an untouched edit must not write the old values back.
    db.exec("UPDATE tb_peserta SET nama='Elsewhere' WHERE ID=1");
    theCase().run(cursor);
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(db.rows("SELECT nama FROM tb_peserta ORDER BY ID"), (Rows{{"Elsewhere"}, {"Nama 2"}}));
}

INSTANTIATE_TEST_SUITE_P(EveryMove, SettleTest, onEachStore(settleActions), [](const auto& info) {
    return std::string(storeName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).action;
});

TEST_P(CursorTest, CloseDropsPendingChanges) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081')");
    openOn("tb_peserta");
    cursor.edit();
    cursor.setFieldText("nama", "Budi");
    cursor.close();
    cursor.open();
    cursor.append();
    cursor.setFieldText("ID", "2");
    cursor.close();
    EXPECT_EQ(db.rows("SELECT * FROM tb_peserta"), (Rows{{"1", "A1", "Nama 1", "081"}}));
}

TEST_P(CursorTest, RemoveWhileInsertingDropsOnlyTheNewRow) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081')");
    openOn("tb_peserta");
    cursor.append();
    cursor.setFieldText("ID", "2");
    cursor.remove();
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(cursor.recordCount(), 1u);
    EXPECT_EQ(db.count("tb_peserta"), 1);
}

// --- Snapshots ------------------------------------------------------------------------------------------------

TEST_P(CursorTest, TwoCursorsOnOneTableSeeEachOtherOnlyAfterRequery) {
    db.exec("INSERT INTO tb_pemenang VALUES('A1','Ani','TV')");
    openOn("tb_pemenang");
    db::TableCursor other("ADOTable2");
    other.setConnection(&db.cn());
    other.setTableName("tb_pemenang");
    other.open();

    cursor.append();
    cursor.setFieldText(0, "A2");
    cursor.post();
    other.first();
    EXPECT_EQ(other.recordCount(), 1u);

    other.edit();
    other.setFieldText(2, "Radio");
    other.post();
    EXPECT_EQ(cursor.cellText(0, 2), "TV"); // still the old snapshot
    cursor.remove();                        // the row A2, on which the cursor stands after its post
    EXPECT_EQ(other.recordCount(), 1u);

    other.requery();
    cursor.requery();
    EXPECT_EQ(other.recordCount(), 1u);
    EXPECT_EQ(cursor.fieldText(2), "Radio");
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (Rows{{"A1", "Ani", "Radio"}}));
}

TEST_P(CursorTest, RowsAddedByAnotherConnectionShowOnlyAfterRequery) {
    addParticipants();
    openOn("tb_peserta");
    db.exec("DELETE FROM tb_peserta WHERE ID=1; INSERT INTO tb_peserta VALUES(99,'Z','Z','Z')");
    EXPECT_EQ(cursor.recordCount(), 6u);
    EXPECT_TRUE(cursor.locate("ID", "1", false)); // a deleted participant can still be read
    EXPECT_EQ(cursor.fieldText("nama"), "Nama 1");
    EXPECT_FALSE(cursor.locate("ID", "99", false));
    cursor.requery();
    EXPECT_EQ(cursor.recordCount(), 6u);
    EXPECT_FALSE(cursor.locate("ID", "1", false));
    EXPECT_TRUE(cursor.locate("ID", "99", false));
}

// A cursor opened as a copy of another shares its rows without reading the table, then goes its own way: what one
// writes the other does not see until it reads again, and the copy outlives its source's rows.
TEST_P(CursorTest, CopyStartsFromTheSourcesRowsAndGoesOnByItself) {
    addParticipants();
    openOn("tb_peserta");
    cursor.prepareOrder(0);
    cursor.last();
    db::TableCursor copy("ADOTable3");
    copy.openAsCopyOf(cursor);
    const auto rowsOf = [](const db::TableCursor& c) {
        Rows rows;
        for (std::size_t row = 0; row < c.recordCount(); ++row)
            rows.push_back({c.cellText(row, 0), c.cellText(row, 1), c.cellText(row, 2), c.cellText(row, 3)});
        return rows;
    };
    const Rows asRead = rowsOf(cursor);
    EXPECT_EQ(rowsOf(copy), asRead);
    EXPECT_EQ(copy.position(), 0u); // on its own first row, wherever the source stands
    EXPECT_TRUE(copy.locate("no_undian", "B25", false));
    EXPECT_EQ(copy.fieldText("ID"), "25");

    copy.edit();
    copy.setFieldText("nama", "Baru");
    copy.post();
    copy.first();
    copy.remove(); // ID 20, the first row read
    copy.append();
    copy.setFieldText("ID", "30");
    copy.post();
    EXPECT_EQ(db.rows("SELECT ID, nama FROM tb_peserta WHERE ID IN (20, 25, 30) ORDER BY ID"),
              (Rows{{"25", "Baru"}, {"30", "<null>"}}));
    EXPECT_EQ(rowsOf(cursor), asRead); // the source keeps what it read
    EXPECT_EQ(copy.recordCount(), 6u);

    cursor.close(); // the rows the copy shares stay with it
    EXPECT_TRUE(copy.locate("ID", "3", false));
    EXPECT_EQ(copy.fieldText("nama"), "Nama 3");
    copy.requery();
    EXPECT_EQ(rowsOf(copy),
              db.rows("SELECT ID, coalesce(no_undian, ''), coalesce(nama, ''), coalesce(hp, '') FROM tb_peserta "
                      "ORDER BY rowid"));
}

// A server hands rows over as they lie in its pages, where a changed row goes last. The cursor still holds them in
// rowid order, as a file gives them, and goes on changing them.
TEST_P(CursorTest, RowsAreHeldInRowidOrderHoweverTheDatabaseGivesThem) {
    addParticipants();
    db.exec("UPDATE tb_peserta SET nama = 'Lain' WHERE ID = 20");
    openOn("tb_peserta");
    Rows ids;
    for (std::size_t row = 0; row < cursor.recordCount(); ++row)
        ids.push_back({cursor.cellText(row, 0)});
    EXPECT_EQ(ids, db.rows("SELECT ID FROM tb_peserta ORDER BY rowid"));
    EXPECT_EQ(ids.front(), std::vector<std::string>{"20"});
    EXPECT_EQ(cursor.cellText(0, 2), "Lain");
    cursor.first();
    cursor.edit();
    cursor.setFieldText("nama", "Baru");
    cursor.post();
    EXPECT_EQ(db.rows("SELECT nama FROM tb_peserta WHERE ID = 20"), (Rows{{"Baru"}}));
    EXPECT_EQ(cursor.cellText(0, 2), "Baru");
}

TEST_P(CursorTest, ReadingTellsHowFarItHasGot) {
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 140000) "
            "INSERT INTO tb_peserta SELECT i, 'D' || i, 'Nama', '08' || i FROM n");
    std::vector<std::size_t> told;
    cursor.setReadProgress([&](std::size_t rows) { told.push_back(rows); });
    openOn("tb_peserta");
    cursor.requery();
    EXPECT_EQ(told, (std::vector<std::size_t>{65536, 131072, 65536, 131072}));
    EXPECT_EQ(cursor.recordCount(), 140000u);
}

// --- Closed and empty cursors ---------------------------------------------------------------------------------

struct Operation {
    const char* name;
    std::function<void(db::TableCursor&)> run;
};

std::ostream& operator<<(std::ostream& out, const Operation& o) {
    return out << o.name;
}

const Operation everyOperation[] = {
    {"requery", [](db::TableCursor& c) { c.requery(); }},
    {"first", [](db::TableCursor& c) { c.first(); }},
    {"prior", [](db::TableCursor& c) { c.prior(); }},
    {"next", [](db::TableCursor& c) { c.next(); }},
    {"last", [](db::TableCursor& c) { c.last(); }},
    {"moveTo", [](db::TableCursor& c) { c.moveTo(0); }},
    {"eof", [](db::TableCursor& c) { (void)c.eof(); }},
    {"bof", [](db::TableCursor& c) { (void)c.bof(); }},
    {"recordCount", [](db::TableCursor& c) { (void)c.recordCount(); }},
    {"position", [](db::TableCursor& c) { (void)c.position(); }},
    {"locate", [](db::TableCursor& c) { c.locate("ID", "1", true); }},
    {"moveToRank", [](db::TableCursor& c) { c.moveToRank(0, 0); }},
    {"prepareOrder", [](db::TableCursor& c) { c.prepareOrder(0); }},
    {"append", [](db::TableCursor& c) { c.append(); }},
    {"edit", [](db::TableCursor& c) { c.edit(); }},
    {"post", [](db::TableCursor& c) { c.post(); }},
    {"cancel", [](db::TableCursor& c) { c.cancel(); }},
    {"remove", [](db::TableCursor& c) { c.remove(); }},
    {"fieldTextByPosition", [](db::TableCursor& c) { (void)c.fieldText(1); }},
    {"fieldTextByName", [](db::TableCursor& c) { (void)c.fieldText("no_undian"); }},
    {"fieldInt", [](db::TableCursor& c) { (void)c.fieldInt("ID"); }},
    {"setFieldText", [](db::TableCursor& c) { c.setFieldText(1, "x"); }},
    {"checkActive", [](db::TableCursor& c) { c.checkActive(); }},
};

class ClosedTest : public CasesOnEachStore<Operation> {};

TEST_P(ClosedTest, NeverOpened) {
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_peserta");
    EXPECT_EQ(errorOf([&] { theCase().run(cursor); }), "ADOTable1: Cannot perform this operation on a closed dataset");
}

TEST_P(ClosedTest, OpenedAndClosed) {
    addParticipants();
    openOn("tb_peserta");
    cursor.close();
    EXPECT_EQ(errorOf([&] { theCase().run(cursor); }), "ADOTable1: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(db.count("tb_peserta"), 6); // and nothing reached the table
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, ClosedTest, onEachStore(everyOperation),
                         [](const auto& info) { return caseName(info); });

TEST_P(CursorTest, EmptyCursor) {
    openOn("tb_peserta");
    EXPECT_TRUE(cursor.eof());
    EXPECT_TRUE(cursor.bof());
    EXPECT_EQ(cursor.recordCount(), 0u);
    EXPECT_EQ(cursor.fieldText(1), "");
    cursor.next();
    cursor.last();
    EXPECT_TRUE(cursor.eof());
    EXPECT_FALSE(cursor.locate("ID", "1", true));
    EXPECT_EQ(errorOf([&] { cursor.remove(); }), "ADOTable1: Cannot perform this operation on an empty dataset");
    EXPECT_EQ(errorOf([&] { cursor.setFieldText(1, "x"); }), "ADOTable1: Dataset not in edit or insert mode");
}

TEST_P(CursorTest, SettingAFieldWhileBrowsingIsRefused) {
    addParticipants();
    openOn("tb_peserta");
    EXPECT_EQ(errorOf([&] { cursor.setFieldText("nama", "x"); }), "ADOTable1: Dataset not in edit or insert mode");
    cursor.edit();
    cursor.post();
    EXPECT_EQ(errorOf([&] { cursor.setFieldText(2, "x"); }), "ADOTable1: Dataset not in edit or insert mode");
    EXPECT_EQ(db.count("tb_peserta WHERE nama='x'"), 0);
}

TEST_P(CursorTest, EndsOfData) {
    db.exec("INSERT INTO tb_pemenang VALUES('1','',''),('2','',''),('3','','')");
    openOn("tb_pemenang");
    EXPECT_TRUE(cursor.bof());
    EXPECT_FALSE(cursor.eof());
    std::string seen;
    while (!cursor.eof()) {
        seen += cursor.fieldText(0);
        cursor.next();
    }
    EXPECT_EQ(seen, "123");
    EXPECT_EQ(cursor.fieldText(0), "3"); // past the end, the cursor stays on the last row
    cursor.prior();
    EXPECT_FALSE(cursor.eof());
    EXPECT_EQ(cursor.fieldText(0), "2");
    cursor.prior();
    cursor.prior();
    EXPECT_TRUE(cursor.bof());
    EXPECT_EQ(cursor.fieldText(0), "1");
    cursor.last();
    EXPECT_EQ(cursor.position(), 2u);
    EXPECT_TRUE(cursor.eof());
}

// --- Locate -------------------------------------------------------------------------------------------------

struct LocateCase {
    const char* name;
    const char* field;
    const char* value;
    bool partialKey;
    const char* expectedId; // nullptr: no match, the cursor stays where it was
};

std::ostream& operator<<(std::ostream& out, const LocateCase& c) {
    return out << c.name;
}

const LocateCase locateCases[] = {
    {"IntegerExact", "ID", "2", false, "2"},
    {"IntegerPartialIsStillEquality", "ID", "2", true, "2"},
    {"IntegerLast", "ID", "25", true, "25"},
    {"IntegerGapFindsNothing", "ID", "4", true, nullptr},
    {"IntegerWithBlanks", "ID", " 3 ", true, "3"},
    {"IntegerNotANumber", "ID", "abc", true, nullptr},
    {"IntegerEmpty", "ID", "", true, nullptr},
    {"FieldNameAnyCase", "id", "10", false, "10"},
    {"TextExact", "no_undian", "A1", false, "1"},
    {"TextExactNeedsWholeValue", "no_undian", "A", false, nullptr},
    {"TextPartialFirstInTextOrder", "no_undian", "A", true, "1"},
    {"TextPartialLongerValue", "no_undian", "A2", true, "20"},
    {"TextPartialIsCaseSensitive", "no_undian", "a", true, "2"},
    {"TextPartialNoMatch", "no_undian", "C", true, nullptr},
    {"TextPastTheEnd", "no_undian", "zzz", true, nullptr},
    {"UnknownFieldIsNoMatch", "nope", "1", true, nullptr},
};

class LocateTest : public CasesOnEachStore<LocateCase> {};

TEST_P(LocateTest, StandsOnTheFirstMatchInFieldOrder) {
    const LocateCase& c = theCase();
    addParticipants();
    openOn("tb_peserta");
    cursor.moveTo(3); // ID 25
    const bool found = cursor.locate(c.field, c.value, c.partialKey);
    EXPECT_EQ(found, c.expectedId != nullptr);
    EXPECT_EQ(cursor.fieldText("ID"), c.expectedId ? c.expectedId : "25");
    if (!c.expectedId) {
        EXPECT_EQ(cursor.position(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LocateTest, onEachStore(locateCases), [](const auto& info) { return caseName(info); });

TEST_P(CursorTest, MoveToRankFollowsAscendingIdWhateverTheNumbering) {
    addParticipants();
    openOn("tb_peserta");
    const char* ascending[] = {"1", "2", "3", "10", "20", "25"};
    for (std::size_t k = 0; k < std::size(ascending); ++k) {
        cursor.moveToRank(0, k);
        EXPECT_EQ(cursor.fieldText(0), ascending[k]) << "rank " << k;
    }
    cursor.moveToRank(0, 6); // past the last rank: stays
    EXPECT_EQ(cursor.fieldText(0), "25");
    // A posted change re-sorts.
    cursor.moveToRank(0, 0);
    cursor.edit();
    cursor.setFieldText(0, "30");
    cursor.post();
    cursor.moveToRank(0, 5);
    EXPECT_EQ(cursor.fieldText(1), "A1");
    cursor.moveToRank(0, 0);
    EXPECT_EQ(cursor.fieldText(1), "a2");
}

// --- Identical rows are told apart by their rowid ---------------------------------------------------------------

TEST_P(CursorTest, DeletingOneOfTwoIdenticalRowsTouchesOnlyThatOne) {
    db.exec("INSERT INTO tb_pemenang VALUES('A1','Ani','TV'),('A1','Ani','TV'),('B2','Budi','Radio')");
    openOn("tb_pemenang");
    cursor.next(); // the second of the identical rows
    cursor.remove();
    EXPECT_EQ(db.rows("SELECT rowid, * FROM tb_pemenang ORDER BY rowid"),
              (Rows{{"1", "A1", "Ani", "TV"}, {"3", "B2", "Budi", "Radio"}}));
    EXPECT_EQ(cursor.recordCount(), 2u);
    EXPECT_EQ(cursor.fieldText(0), "B2");
}

TEST_P(CursorTest, UpdatingOneOfTwoIdenticalRowsTouchesOnlyThatOne) {
    db.exec("INSERT INTO tb_pemenang VALUES('A1','Ani','TV'),('A1','Ani','TV')");
    openOn("tb_pemenang");
    cursor.last();
    cursor.edit();
    cursor.setFieldText(2, "Kulkas");
    cursor.post();
    EXPECT_EQ(db.rows("SELECT rowid, * FROM tb_pemenang ORDER BY rowid"),
              (Rows{{"1", "A1", "Ani", "TV"}, {"2", "A1", "Ani", "Kulkas"}}));
}

TEST_P(CursorTest, UpdatingARowDeletedElsewhereFailsWithoutTouchingOthers) {
    db.exec("INSERT INTO tb_pemenang VALUES('A1','Ani','TV'),('A1','Ani','TV')");
    openOn("tb_pemenang");
    db.exec("DELETE FROM tb_pemenang WHERE rowid=1");
    cursor.edit();
    cursor.setFieldText(2, "Kulkas");
    EXPECT_NE(errorOf([&] { cursor.post(); }), "<no error>");
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (Rows{{"A1", "Ani", "TV"}}));
}

// --- Storing one field at once beside a pending edit ------------------------------------------------------------

// A setting stored while the user is still typing another field of the same row: the setting is written, what is
// being typed stays pending and unwritten, and posting it later writes it without reverting the setting.
TEST_P(CursorTest, StoreFieldKeepsAPendingEditPending) {
    db.exec("INSERT INTO tb_pemenang VALUES('A1','Ani','TV')");
    openOn("tb_pemenang");
    cursor.edit();
    cursor.setFieldText(1, "Ani Baru");
    cursor.storeField(2, "Kulkas");
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (Rows{{"A1", "Ani", "Kulkas"}}));
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Edit);
    EXPECT_EQ(cursor.fieldText(1), "Ani Baru");
    EXPECT_EQ(cursor.fieldText(2), "Kulkas");
    cursor.post();
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (Rows{{"A1", "Ani Baru", "Kulkas"}}));

    cursor.storeField(2, "Radio"); // while browsing
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Browse);
    EXPECT_EQ(db.rows("SELECT * FROM tb_pemenang"), (Rows{{"A1", "Ani Baru", "Radio"}}));
}

TEST_P(CursorTest, StoreFieldRefusals) {
    db.exec("INSERT INTO setup (speed) VALUES (80)"); // the schema's row and this one
    openOn("setup");
    EXPECT_EQ(errorOf([&] { cursor.storeField(0, "cepat"); }),
              "ADOTable1: 'cepat' is not a valid integer value for field 'speed'");
    db.exec("UPDATE setup SET speed=99 WHERE rowid=1"); // changed elsewhere since it was read
    EXPECT_EQ(errorOf([&] { cursor.storeField(0, "10"); }), db::TableCursor::kRowNotLocated);
    EXPECT_EQ(db.rows("SELECT speed FROM setup ORDER BY rowid"), (Rows{{"99"}, {"80"}}));
    cursor.next();
    cursor.storeField(0, "10"); // only the current row
    EXPECT_EQ(db.rows("SELECT speed FROM setup ORDER BY rowid"), (Rows{{"99"}, {"10"}}));
    cursor.append();
    EXPECT_EQ(errorOf([&] { cursor.storeField(0, "10"); }),
              "ADOTable1: Cannot store a field while a new row is pending");
    cursor.cancel();
    db.exec("DELETE FROM tb_pemenang");
    db::TableCursor empty{"ADOTable2"};
    empty.setConnection(&db.cn());
    empty.setTableName("tb_pemenang");
    empty.open();
    EXPECT_EQ(errorOf([&] { empty.storeField(0, "A1"); }),
              "ADOTable2: Cannot perform this operation on an empty dataset");
}

// --- The ID field --------------------------------------------------------------------------------------------

TEST_P(CursorTest, FailedPostKeepsTheRowPending) {
    db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Nama 1','081')");
    openOn("tb_peserta");
    cursor.append();
    cursor.setFieldText("ID", "1");
    cursor.setFieldText("nama", "Citra");
    EXPECT_EQ(errorOf([&] { cursor.post(); }), "UNIQUE constraint failed: tb_peserta.ID");
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Insert);
    EXPECT_EQ(errorOf([&] { cursor.next(); }), "UNIQUE constraint failed: tb_peserta.ID"); // a move cannot settle it
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Insert);
    EXPECT_EQ(cursor.fieldText("nama"), "Citra");
    cursor.setFieldText("ID", "2");
    cursor.post();
    EXPECT_EQ(db.rows("SELECT ID, nama FROM tb_peserta ORDER BY ID"), (Rows{{"1", "Nama 1"}, {"2", "Citra"}}));
    EXPECT_EQ(cursor.recordCount(), 2u);
}

TEST_P(CursorTest, EmptyIdIsNullAndRefusedByTheTable) {
    openOn("tb_peserta");
    cursor.append();
    cursor.setFieldText("ID", "");
    cursor.setFieldText("nama", "Dewi");
    EXPECT_EQ(errorOf([&] { cursor.post(); }), "NOT NULL constraint failed: tb_peserta.ID");
    EXPECT_EQ(cursor.state(), db::TableCursor::State::Insert);
    EXPECT_EQ(db.count("tb_peserta"), 0);
}

struct IdText {
    const char* typed;
    const char* stored; // nullptr: refused with a message naming the text
};

std::ostream& operator<<(std::ostream& out, const IdText& c) {
    return out << '"' << c.typed << '"';
}

const IdText idTexts[] = {
    {"7", "7"},       {" 7 ", "7"},     {"+7", "7"},      {"-7", "-7"},      {"007", "7"},
    {"abc", nullptr}, {"1.5", nullptr}, {"1e3", nullptr}, {"0x10", nullptr}, {"12abc", nullptr},
    {"1 2", nullptr}, {"٣", nullptr},   {"--1", nullptr}, {"+-1", nullptr},  {"99999999999999999999", nullptr},
};

class IdTextTest : public CasesOnEachStore<IdText> {};

TEST_P(IdTextTest, WholeDecimalNumbersOnly) {
    const IdText& c = theCase();
    openOn("tb_peserta");
    cursor.append();
    cursor.setFieldText("ID", "5");
    const std::string error = errorOf([&] { cursor.setFieldText("ID", c.typed); });
    if (c.stored) {
        EXPECT_EQ(error, "<no error>");
        cursor.post();
        if (db.store() == Store::File)
            EXPECT_EQ(db.rows("SELECT ID, typeof(ID) FROM tb_peserta"), (Rows{{c.stored, "integer"}}));
        else
            EXPECT_EQ(db.rows("SELECT ID FROM tb_peserta"), (Rows{{c.stored}})); // an integer column holds no text
    } else {
        EXPECT_NE(error.find(std::string("'") + c.typed + "'"), std::string::npos) << error;
        EXPECT_EQ(cursor.fieldText("ID"), "5"); // the refused text did not reach the field
    }
}

INSTANTIATE_TEST_SUITE_P(Typed, IdTextTest,
                         ::testing::Combine(::testing::ValuesIn(kStores), ::testing::ValuesIn(idTexts)));

TEST_P(FileCursorTest, TheTableItselfRefusesATextId) {
    // Whatever writes to the file, an ID that is not a whole number is refused by the table.
    EXPECT_THROW(db.exec("INSERT INTO tb_peserta VALUES('abc','A','B','C')"), std::runtime_error);
    EXPECT_THROW(db.exec("INSERT INTO tb_peserta VALUES(1.5,'A','B','C')"), std::runtime_error);
    EXPECT_THROW(db.exec("INSERT INTO tb_peserta VALUES(1,'A','B','C'),(1,'D','E','F')"), std::runtime_error);
    db.exec("INSERT INTO tb_peserta VALUES('12','A','B','C')");
    EXPECT_EQ(db.rows("SELECT typeof(ID) FROM tb_peserta"), (Rows{{"integer"}}));
}

TEST_P(CursorTest, ReadingFields) {
    db.exec("INSERT INTO tb_peserta VALUES(42,NULL,'','0812')");
    openOn("tb_peserta");
    EXPECT_EQ(cursor.fieldText(0), "42");
    EXPECT_EQ(cursor.fieldInt("ID"), 42);
    EXPECT_EQ(cursor.fieldText("no_undian"), ""); // a missing value reads as empty text
    EXPECT_EQ(cursor.fieldText(2), "");
    EXPECT_EQ(cursor.fieldText("HP"), "0812");
    EXPECT_EQ(cursor.fieldCount(), 4);
    EXPECT_EQ(cursor.fieldName(1), "no_undian");
    EXPECT_EQ(errorOf([&] { (void)cursor.fieldText("nomor"); }), "ADOTable1: Field 'nomor' not found");
}

// The snapshot keeps an integer that equals its row's rowid (a sequence number typed or imported in order) in one
// byte; it reads, searches and writes back as the integer it is, whatever column holds it and whatever its sign.
TEST_P(FileCursorTest, IntegersEqualToTheRowidReadBackWhole) {
    db.exec("CREATE TABLE t(a INTEGER, b, c TEXT);"
            "INSERT INTO t(rowid,a,b,c) VALUES(1,1,1,'1'),(5,5,6,5),(-7,-7,-7,NULL),"
            "(9223372036854775807,9223372036854775807,0,'x'),(8,9,8,'8')");
    openOn("t");
    const Rows expected{// in rowid order
                        {"-7", "-7", ""},
                        {"1", "1", "1"},
                        {"5", "6", "5"},
                        {"9", "8", "8"},
                        {"9223372036854775807", "0", "x"}};
    Rows read;
    for (std::size_t row = 0; row < cursor.recordCount(); ++row)
        read.push_back({cursor.cellText(row, 0), cursor.cellText(row, 1), cursor.cellText(row, 2)});
    EXPECT_EQ(read, expected);
    ASSERT_TRUE(cursor.locate("a", "-7", false));
    EXPECT_EQ(cursor.fieldInt("b"), -7);
    cursor.edit();
    cursor.setFieldText(2, "changed");
    cursor.post(); // the row as read still matches: its integers went back as integers
    EXPECT_EQ(db.rows("SELECT a, typeof(a), b, typeof(b), c FROM t WHERE rowid=-7"),
              (Rows{{"-7", "integer", "-7", "integer", "changed"}}));
}

TEST_P(CursorTest, OpeningAMissingTableFailsAndLeavesTheCursorClosed) {
    db.exec("DROP TABLE tb_pemenang");
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_pemenang");
    EXPECT_EQ(errorOf([&] { cursor.open(); }), "no such table: tb_pemenang");
    EXPECT_FALSE(cursor.active());
}

INSTANTIATE_TEST_SUITE_P(Stores, CursorTest, ::testing::ValuesIn(kStores),
                         [](const auto& info) { return std::string(storeName(info.param)); });
INSTANTIATE_TEST_SUITE_P(FileOnly, FileCursorTest, ::testing::Values(Store::File),
                         [](const auto& info) { return std::string(storeName(info.param)); });

} // namespace

namespace {

// Rows spread over many pages of the snapshot, with texts of every size and a few larger than a page: every row
// reads back whole, in order, and the ID order still finds each one.
TEST_P(CursorTest, LargeSnapshotReadsBackEveryRow) {
    auto textOf = [](int id) {
        if (id % 5000 == 17) return std::string(static_cast<std::size_t>(1.5 * 1024 * 1024) + id, 'x');
        return std::string(static_cast<std::size_t>(id % 301), static_cast<char>('a' + id % 26));
    };
    const int n = 40000;
    {
        std::string sql = "BEGIN;";
        for (int i = n; i >= 1; --i) // IDs in descending rowid order: the ID order is not the cursor's
            sql += "INSERT INTO tb_peserta VALUES(" + std::to_string(i) + ",'N" + std::to_string(i) + "','" +
                   textOf(i) + "',NULL);";
        db.exec(sql + "COMMIT;");
    }
    openOn("tb_peserta");
    ASSERT_EQ(cursor.recordCount(), static_cast<std::size_t>(n));
    for (std::size_t row = 0; row < cursor.recordCount(); ++row) {
        const int id = n - static_cast<int>(row);
        ASSERT_EQ(cursor.cellText(row, 0), std::to_string(id));
        ASSERT_EQ(cursor.cellText(row, 2), textOf(id)) << "row " << row;
        ASSERT_EQ(cursor.cellText(row, 3), "");
    }
    for (int k : {0, 1, 16, 17, 4095, 4096, 20000, n - 1}) {
        cursor.moveToRank(0, static_cast<std::size_t>(k));
        ASSERT_EQ(cursor.fieldText(1), "N" + std::to_string(k + 1));
    }
    EXPECT_TRUE(cursor.locate("no_undian", "N39999", false));
    EXPECT_EQ(cursor.fieldText(0), "39999");
    EXPECT_TRUE(cursor.locate("ID", "5017", false));
    EXPECT_EQ(cursor.fieldText(2), textOf(5017));
}

} // namespace
