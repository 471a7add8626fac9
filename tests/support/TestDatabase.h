#pragma once

#include "platform/db/Connection.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

// Where a test's database lives: a db_sms.mdb file, or a database on the tests' PostgreSQL server (TestServer).
enum class Store { File, Server };
const char* storeName(Store store);
// Both stores, for a table of cases run on each.
inline constexpr Store kStores[] = {Store::File, Store::Server};

// A database made from the program's own schema, removed afterwards: a db_sms.mdb in a fresh temporary directory, or
// a new database on the tests' server, with a few conveniences to look at it from outside the program (a second
// connection, as the sqlite3 tool or psql would; on the server it takes the program's SQL as the program's own
// connection does).
class TestDatabase {
public:
    explicit TestDatabase(Store store = defaultStore());
    ~TestDatabase();
    // The store a TestDatabase made without naming one uses: a suite of screen tests runs once per store.
    static Store defaultStore();
    static void setDefaultStore(Store store);
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Store store() const { return m_store; }
    QString directory() const { return m_dir.path(); }
    // The file's path, or the server database's URI.
    std::string path() const;
    // The program's own connection on the file, opened the first time it is asked for (and left to the test from
    // then on): for the tests of the data layer, which work without the program's screens.
    db::Connection& cn();

    void exec(const std::string& sql) const;
    long long count(const std::string& table) const;
    bool hasTable(const std::string& table) const;
    // Every row of a query, fields as text (NULL as "<null>").
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;
    // The journal tb_jurnal in order, each entry as its kind and details; empty while there is none.
    QList<QPair<QString, QJsonObject>> journal() const;
    // From now on the journal refuses entries of this kind with this message, as a full disk would refuse them (a
    // trigger, in the store's own SQL); acceptJournal() ends it.
    void refuseJournal(const std::string& kind, const std::string& message) const;
    void acceptJournal() const;
    // Participants with IDs 1..n (or the given IDs), draw numbers "D<ID>", names "Nama <ID>", phones "08<ID>".
    void addParticipants(int n) const;
    void addParticipants(const std::vector<long long>& ids) const;

private:
    Store m_store;
    std::string m_uri; // on the server
    QTemporaryDir m_dir;
    db::Connection m_cn; // closed before the directory goes
    bool m_cnOpened = false;
};
