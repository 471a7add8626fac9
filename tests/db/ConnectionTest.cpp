#include "platform/db/Connection.h"
#include "core/Schema.h"
#include "platform/Error.h"
#include "platform/db/SqliteAccess.h"
#include "platform/db/Statement.h"
#include "platform/db/TableCursor.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>
#include <string>

namespace {

std::string openError(const std::string& path) {
    db::Connection cn;
    cn.setDatabasePath(path);
    try {
        cn.open();
    } catch (const platform::Error& error) {
        EXPECT_FALSE(cn.isOpen());
        return error.what();
    }
    return "<no error>";
}

std::string pragma(db::Connection& cn, const char* name) {
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(
        sqlite3_prepare_v2(db::SqliteAccess::handle(cn), (std::string("PRAGMA ") + name).c_str(), -1, &stmt, nullptr),
        SQLITE_OK);
    std::string value;
    if (sqlite3_step(stmt) == SQLITE_ROW) value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    return value;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

TEST(Connection, MissingFileIsAnErrorAndNoFileIsCreated) {
    const QTemporaryDir scratch;
    const std::filesystem::path dir = scratch.path().toStdString();
    const auto path = dir / "db_sms.mdb";
    EXPECT_EQ(openError(path.string()), "Could not find file '" + path.string() + "'.");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(dir)); // no journal or other leftovers either
}

TEST(Connection, MissingDirectoryIsAnError) {
    const QTemporaryDir scratch;
    const std::filesystem::path dir = scratch.path().toStdString();
    const auto path = dir / "nowhere" / "db_sms.mdb";
    EXPECT_EQ(openError(path.string()), "Could not find file '" + path.string() + "'.");
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
}

struct Damage {
    const char* name;
    std::string (*bytes)(const std::string& healthy);
};

std::ostream& operator<<(std::ostream& out, const Damage& d) {
    return out << d.name;
}

std::string randomBytes(const std::string& healthy) {
    std::mt19937 random(7);
    std::string bytes(healthy.size(), '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

const Damage damages[] = {
    {"RandomBytes", &randomBytes},
    {"Text", [](const std::string&) { return std::string("ID;no_undian;nama;hp\r\n1;A1;Ani;0812\r\n"); }},
    {"OtherDatabaseFormat",
     [](const std::string&) { return std::string("Standard Jet DB\0\0\0\0", 20) + std::string(4096, 'x'); }},
    {"HeaderOnly", [](const std::string& healthy) { return healthy.substr(0, 100); }},
    {"HeaderScrambled",
     [](const std::string& healthy) {
         std::string bytes = healthy;
         for (std::size_t i = 16; i < 100; ++i)
             bytes[i] = static_cast<char>(0xA5);
         return bytes;
     }},
    {"SchemaPageScrambled",
     [](const std::string& healthy) {
         std::string bytes = healthy;
         for (std::size_t i = 100; i < 4096 && i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(i * 7);
         return bytes;
     }},
};

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsReportedWhenOpening) {
    std::string healthy;
    {
        TestDatabase db;
        db.exec("INSERT INTO tb_peserta VALUES(1,'A1','Ani','0812')");
        db.cn().close();
        std::ifstream in(db.path(), std::ios::binary);
        healthy.assign(std::istreambuf_iterator<char>(in), {});
    }
    const QTemporaryDir scratch;
    const std::filesystem::path dir = scratch.path().toStdString();
    const auto path = dir / "db_sms.mdb";
    writeFile(path, GetParam().bytes(healthy));
    const std::string error = openError(path.string());
    EXPECT_EQ(error.rfind("Cannot open the database '" + path.string() + "': ", 0), 0u) << error;
    EXPECT_TRUE(error.find("not a database") != std::string::npos || error.find("malformed") != std::string::npos)
        << error;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedFile, ::testing::ValuesIn(damages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Connection, DamagedTablePageIsReportedByTheCursor) {
    TestDatabase db;
    std::string sql = "BEGIN;";
    for (int i = 1; i <= 2000; ++i)
        sql += "INSERT INTO tb_peserta VALUES(" + std::to_string(i) + ",'A','Nama','0812');";
    db.exec(sql + "COMMIT;");
    const long root = std::stol(db.rows("SELECT rootpage FROM sqlite_master WHERE name='tb_peserta'").at(0).at(0));
    db.cn().close();
    {
        std::fstream file(db.path(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp((root - 1) * 4096); // the participants table's root page, past the schema
        file << std::string(4096, '\x5a');
    }
    db.cn().open();
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&db.cn());
    cursor.setTableName("tb_peserta");
    try {
        cursor.open();
        FAIL() << "a damaged table opened";
    } catch (const platform::Error& error) {
        EXPECT_EQ(std::string(error.what()), "database disk image is malformed");
    }
    EXPECT_FALSE(cursor.active());
}

TEST(Connection, ZeroLengthFileOpensButHasNoTables) {
    const QTemporaryDir scratch;
    const std::filesystem::path dir = scratch.path().toStdString();
    const auto path = dir / "db_sms.mdb";
    writeFile(path, "");
    db::Connection cn;
    cn.setDatabasePath(path.string());
    cn.open();
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&cn);
    cursor.setTableName("tb_peserta");
    EXPECT_THROW(cursor.open(), platform::Error);
    EXPECT_EQ(std::filesystem::file_size(path), 0u); // opening did not write tables into it
}

TEST(Connection, ClosedConnectionRefusesWork) {
    db::Connection cn;
    EXPECT_THROW(cn.exec("SELECT 1"), platform::Error);
    db::TableCursor cursor("ADOTable1");
    cursor.setConnection(&cn);
    cursor.setTableName("tb_peserta");
    EXPECT_THROW(cursor.open(), platform::Error);
    EXPECT_FALSE(cursor.active());
}

TEST(Connection, ConfirmedWritesAreDurable) {
    TestDatabase db;
    EXPECT_EQ(pragma(db.cn(), "synchronous"), "2"); // FULL: the journal and the file are synced at every commit
    EXPECT_EQ(pragma(db.cn(), "journal_mode"), "delete");
}

TEST(Connection, ReopeningKeepsOneHandle) {
    TestDatabase db;
    db.cn().open(); // opening again closes the first handle
    EXPECT_TRUE(db.cn().isOpen());
    db.cn().close();
    db.cn().close();
    EXPECT_FALSE(db.cn().isOpen());
}

TEST(Connection, TransactionRollsBackUnlessCommitted) {
    TestDatabase db;
    {
        db::Transaction transaction(db.cn());
        db.cn().exec("INSERT INTO tb_pemenang VALUES('a','b','c')");
    }
    EXPECT_EQ(db.count("tb_pemenang"), 0);
    {
        db::Transaction transaction(db.cn());
        db.cn().exec("INSERT INTO tb_pemenang VALUES('a','b','c')");
        transaction.commit();
    }
    EXPECT_EQ(db.count("tb_pemenang"), 1);
}

// Inside another transaction a transaction is a savepoint: its rollback keeps the outer work, and its commit makes
// nothing durable before the outer one commits.
TEST(Connection, TransactionInsideAnotherIsASavepoint) {
    TestDatabase db;
    {
        db::Transaction outer(db.cn());
        db.cn().exec("INSERT INTO tb_pemenang VALUES('outer','','')");
        {
            db::Transaction inner(db.cn());
            db.cn().exec("INSERT INTO tb_pemenang VALUES('dropped','','')");
        }
        {
            db::Transaction inner(db.cn());
            db.cn().exec("INSERT INTO tb_pemenang VALUES('kept','','')");
            inner.commit();
        }
        EXPECT_TRUE(db.cn().inTransaction());
        outer.commit();
    }
    EXPECT_EQ(db.rows("SELECT no_undian FROM tb_pemenang ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"outer"}, {"kept"}}));
    {
        db::Transaction outer(db.cn());
        db::Transaction inner(db.cn());
        db.cn().exec("INSERT INTO tb_pemenang VALUES('lost','','')");
        inner.commit();
    }
    EXPECT_EQ(db.count("tb_pemenang"), 2);
}

// On a server, what is read inside one read transaction is the database at one moment, whatever another desk
// commits meanwhile: the draw's list, the journal's last entry and who has won must agree.
TEST(Connection, ReadTransactionOnAServerReadsOneMoment) {
    TestDatabase db(Store::Server);
    db.addParticipants(3);
    const auto count = [&](const char* table) {
        db::Statement select(db.cn(), std::string("SELECT count(*) FROM ") + table);
        return select.step() ? select.columnInt(0) : -1;
    };
    db::ReadTransaction reading(db.cn());
    EXPECT_EQ(count("tb_peserta"), 3);
    db.exec("INSERT INTO tb_peserta VALUES(4,'D4','Nama 4','084'); INSERT INTO tb_pemenang VALUES('D4','Nama 4','TV')");
    EXPECT_EQ(count("tb_peserta"), 3);
    EXPECT_EQ(count("tb_pemenang"), 0);
}

TEST(Schema, NewDatabaseHasTheProgramsTables) {
    TestDatabase db;
    EXPECT_EQ(db.rows("SELECT name FROM pragma_table_info('tb_peserta') ORDER BY cid"),
              (std::vector<std::vector<std::string>>{{"ID"}, {"no_undian"}, {"nama"}, {"hp"}}));
    EXPECT_EQ(db.rows("SELECT count(*) FROM pragma_table_info('tb_pemenang')"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    EXPECT_EQ(db.rows("SELECT speed FROM setup"), (std::vector<std::vector<std::string>>{{"50"}}));
}

} // namespace
