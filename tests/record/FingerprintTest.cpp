#include "core/record/Fingerprint.h"
#include "core/record/SealedList.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"
#include "tests/record/DocScript.h"
#include "tests/record/RecordedDraw.h"
#include "tests/support/TestDatabase.h"

#include <QCryptographicHash>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Field = std::optional<std::string>;
using Row = std::vector<Field>;

std::string bytesOf(const Row& row) {
    std::vector<std::optional<std::string_view>> fields(row.begin(), row.end());
    return record::Fingerprint::rowBytes(fields);
}

std::string fingerprintOf(const std::vector<Row>& rows) {
    record::Fingerprint fingerprint;
    for (const Row& row : rows) {
        std::vector<std::optional<std::string_view>> fields(row.begin(), row.end());
        fingerprint.addRow(fields);
    }
    return fingerprint.result().sha256;
}

struct FormCase {
    const char* name;
    Row row;
    std::string bytes;
};

std::ostream& operator<<(std::ostream& out, const FormCase& c) {
    return out << c.name;
}

// Rows a spreadsheet may well bring, and the bytes each one must become.
const FormCase formCases[] = {
    {"plain",
     {"7", "A-7", "Budi", "0812"},
     "7\x1f"
     "A-7\x1f"
     "Budi\x1f"
     "0812\x1e"},
    {"nulls", {"8", std::nullopt, std::nullopt, std::nullopt}, "8\x1f\0\x1f\0\x1f\0\x1e"s},
    {"empty texts", {"9", "", "", ""}, "9\x1f\x1f\x1f\x1e"},
    {"separators inside",
     {"10",
      "a\x1f"
      "b",
      "c\x1e"
      "d",
      "\x1b"},
     "10\x1f"
     "a\x1b\x1f"
     "b\x1f"
     "c\x1b\x1e"
     "d\x1f\x1b\x1b\x1e"},
    {"NUL inside", {"11", "\0"s, "x\0y"s, std::nullopt}, "11\x1f\x1b\0\x1fx\x1b\0y\x1f\0\x1e"s},
    {"non-ASCII",
     {"12", "№ 12", "Siti Nurhaliza Ñoño 李", "+62 812"},
     "12\x1f№ 12\x1fSiti Nurhaliza Ñoño 李\x1f+62 812\x1e"},
    {"other control bytes kept",
     {"13", "\t", "line\nbreak\r", "\x01\x7f"},
     "13\x1f\t\x1fline\nbreak\r\x1f\x01\x7f\x1e"},
};

class CanonicalForm : public ::testing::TestWithParam<FormCase> {};

TEST_P(CanonicalForm, RowBecomesItsBytes) {
    EXPECT_EQ(bytesOf(GetParam().row), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(AwkwardRows, CanonicalForm, ::testing::ValuesIn(formCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// Lists that a naive joining of the fields would give the same bytes: each pair must seal differently.
TEST(CanonicalForm, ListsThatJoinAlikeSealDifferently) {
    const std::vector<std::pair<std::vector<Row>, std::vector<Row>>> pairs = {
        {{{"1", std::nullopt, "", ""}}, {{"1", "", "", ""}}},    // NULL against empty
        {{{"1", std::nullopt, "", ""}}, {{"1", "\0"s, "", ""}}}, // NULL against a NUL byte
        {{{"1",
           "a\x1f"
           "b",
           "", ""}},
         {{"1", "a", "b", "\x1f"}}}, // a US inside a value
        {{{"1",
           "a\x1e"
           "2",
           "", ""}},
         {{"1", "a", "", ""}, {"2", "", "", ""}}}, // an RS inside: one row or two
        {{{"1", "a\x1b", "b", ""}},
         {{"1", "a",
           "\x1b"
           "b",
           ""}}},                  // an ESC at the end of a value
        {{}, {{"1", "", "", ""}}}, // nothing against one row
    };
    for (const auto& [one, other] : pairs)
        EXPECT_NE(fingerprintOf(one), fingerprintOf(other));
    EXPECT_EQ(fingerprintOf({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// A table of awkward participants stored through the program's connection, with the IDs out of order.
class TableFingerprint : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<Row> rows = {
            {"20", "A20", "Nama 20", "0820"},
            {"3", std::nullopt, "", std::nullopt},
            {"1",
             "x\x1f"
             "y",
             "\x1e", "\x1b\0"s},
            {"-5", "", "Ñoño 李", "08"},
            {"100000", "A\x1e", std::nullopt, ""},
        };
        db::Statement insert(db.cn(), "INSERT INTO tb_peserta VALUES(?,?,?,?)");
        for (const Row& row : rows) {
            insert.bindInt(1, std::stoll(*row[0]));
            for (int i = 1; i < 4; ++i)
                insert.bind(i + 1, row[static_cast<std::size_t>(i)]);
            insert.step();
            insert.reset();
        }
        // The same rows in ascending ID: what the fingerprint is taken over.
        sorted = {rows[3], rows[2], rows[1], rows[0], rows[4]};
    }
    record::ListSeal ofCursor(const std::string& table) {
        const auto cursor = openCursor(db.cn(), table, "ADOTable1");
        const auto order = cursor->rowsInOrderOf(0);
        return record::Fingerprint::ofSnapshot(cursor->store(), order, cursor->fieldCount());
    }

    TestDatabase db;
    std::vector<Row> sorted;
};

TEST_F(TableFingerprint, SnapshotTableAndRowsAgree) {
    const record::ListSeal fromRows{5, fingerprintOf(sorted)};
    EXPECT_EQ(ofCursor("tb_peserta"), fromRows);
    EXPECT_EQ(record::Fingerprint::ofTable(db.cn(), "tb_peserta"), fromRows);
}

// Values the program's schema never stores in tb_peserta, in a table of another schema: reals and blobs are taken
// as SQLite turns them into text, by both ways of reading.
TEST_F(TableFingerprint, NumbersAndBlobsReadAsSQLiteWritesThem) {
    db.exec("CREATE TABLE other (k, a, b);"
            "INSERT INTO other VALUES(2.5, 0.1, x'00ff1f'), (1, 1e20, 3.0), ('t', -0.0, NULL), (x'01', 7, 'x');");
    const auto snapshot = ofCursor("other");
    EXPECT_EQ(snapshot, record::Fingerprint::ofTable(db.cn(), "other"));
    EXPECT_EQ(
        snapshot.sha256,
        fingerprintOf(
            {{"1", "1.0e+20", "3.0"}, {"2.5", "0.1", "\0\xff\x1f"s}, {"t", "0.0", std::nullopt}, {"\x01", "7", "x"}}));
}

// The table's rows in rowid order (as inserted) against the order the fingerprint takes them in: ascending first
// column, ties in rowid order. A table already in that order is read in one walk, any other sorted by the database;
// both must give the fingerprint of the sorted rows.
struct OrderCase {
    const char* name;
    const char* values; // inserted in this order
    std::vector<Row> sorted;
};

std::ostream& operator<<(std::ostream& out, const OrderCase& c) {
    return out << c.name;
}

const OrderCase orderCases[] = {
    {"ascending", "(1,'a'),(2,'b'),(30,'c')", {{"1", "a"}, {"2", "b"}, {"30", "c"}}},
    {"only the last out of order", "(1,'a'),(30,'c'),(2,'b')", {{"1", "a"}, {"2", "b"}, {"30", "c"}}},
    {"ties in rowid order", "(1,'b'),(1,'a'),(2,'c')", {{"1", "b"}, {"1", "a"}, {"2", "c"}}},
    {"extremes",
     "(-9223372036854775808,'a'),(0,'b'),(9223372036854775807,'c')",
     {{"-9223372036854775808", "a"}, {"0", "b"}, {"9223372036854775807", "c"}}},
    {"a text after the numbers", "(1,'a'),(2,'b'),('1','c')", {{"1", "a"}, {"2", "b"}, {"1", "c"}}},
    {"a text before the numbers", "('0','c'),(1,'a')", {{"1", "a"}, {"0", "c"}}},
    {"a real between integers", "(1,'a'),(1.5,'b'),(2,'c')", {{"1", "a"}, {"1.5", "b"}, {"2", "c"}}},
    {"a null first", "(NULL,'n'),(1,'a')", {{std::nullopt, "n"}, {"1", "a"}}},
};

class TableOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(TableOrder, TableIsSealedInAscendingOrderOfItsFirstColumn) {
    TestDatabase db;
    db.exec(std::string("CREATE TABLE other (k, a); INSERT INTO other VALUES ") + GetParam().values);
    const record::ListSeal expected{GetParam().sorted.size(), fingerprintOf(GetParam().sorted)};
    EXPECT_EQ(record::Fingerprint::ofTable(db.cn(), "other"), expected);
    const auto cursor = openCursor(db.cn(), "other", "ADOTable1");
    EXPECT_EQ(record::Fingerprint::ofSnapshot(cursor->store(), cursor->rowsInOrderOf(0), 2), expected);
    // Read straight through the snapshot where its rows lie in that order already.
    if (cursor->storeIsInOrderOf(0)) {
        EXPECT_EQ(record::Fingerprint::ofStore(cursor->store(), 2), expected);
    }
    // The draw's seal: taken while the table is read, and kept only where the rows came in that order.
    db::TableCursor drawn("ADOTable1");
    drawn.setConnection(&db.cn());
    drawn.setTableName("other");
    record::SealedList list;
    list.followRead(drawn);
    drawn.open();
    list.seal(drawn);
    EXPECT_EQ(list.fingerprint(), expected);
}

// A read that fails leaves the seal taken along with it behind; the next read is sealed as usual.
TEST(SealedList, FollowsAFailedReadThenAGoodOne) {
    TestDatabase db;
    db.addParticipants(3);
    db::TableCursor drawn("ADOTable1");
    drawn.setConnection(&db.cn());
    drawn.setTableName("no_such_table");
    record::SealedList list;
    list.followRead(drawn);
    EXPECT_THROW(drawn.open(), std::exception);
    drawn.setTableName("tb_peserta");
    list.followRead(drawn);
    drawn.open();
    list.seal(drawn);
    EXPECT_EQ(list.fingerprint(), record::Fingerprint::ofTable(db.cn(), "tb_peserta"));
}

INSTANTIATE_TEST_SUITE_P(RowidAgainstSortedOrder, TableOrder, ::testing::ValuesIn(orderCases), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

TEST_F(TableFingerprint, DocumentedScriptGivesTheSameFingerprint) {
    const auto expected = record::Fingerprint::ofTable(db.cn(), "tb_peserta");
    const auto result = docscript::run("fingerprint", {QString::fromStdString(db.path())});
    ASSERT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, std::to_string(expected.count) + " " + expected.sha256);

    db.exec("INSERT INTO tb_pemenang VALUES('A20', NULL, 'TV'), ('', 'x\x1fy', 'Ñ');");
    const auto winners = record::Fingerprint::ofTable(db.cn(), "tb_pemenang", true);
    const auto fromScript = docscript::run("fingerprint", {QString::fromStdString(db.path()), "tb_pemenang"});
    EXPECT_EQ(fromScript.out, std::to_string(winners.count) + " " + winners.sha256);
}

} // namespace
