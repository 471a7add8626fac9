#pragma once

#include "platform/db/Connection.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

// A db_sms.mdb made from the program's own schema in a fresh temporary directory, removed afterwards, with a few
// conveniences to look at it from outside the program (a second connection, as the sqlite3 tool would).
class TestDatabase {
public:
    TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString directory() const { return m_dir.path(); }
    std::string path() const;
    // The program's own connection on the file, opened the first time it is asked for (and left to the test from
    // then on): for the tests of the data layer, which work without the program's screens.
    db::Connection& cn();

    void exec(const std::string& sql) const;
    long long count(const std::string& table) const;
    // Every row of a query, fields as text (NULL as "<null>").
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;
    // The journal tb_jurnal in order, each entry as its kind and details; empty while there is none.
    QList<QPair<QString, QJsonObject>> journal() const;
    // Participants with IDs 1..n (or the given IDs), draw numbers "D<ID>", names "Nama <ID>", phones "08<ID>".
    void addParticipants(int n) const;
    void addParticipants(const std::vector<long long>& ids) const;

private:
    QTemporaryDir m_dir;
    db::Connection m_cn; // closed before the directory goes
    bool m_cnOpened = false;
};
