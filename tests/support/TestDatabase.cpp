#include "tests/support/TestDatabase.h"

#include "core/Schema.h"
#include "tests/support/OutsideLook.h"

#include <QJsonDocument>
#include <stdexcept>

TestDatabase::TestDatabase() {
    if (!m_dir.isValid()) throw std::runtime_error("cannot make a temporary directory");
    schema::createDatabase(path());
}

db::Connection& TestDatabase::cn() {
    if (!m_cnOpened) {
        m_cn.setDatabasePath(path());
        m_cn.open();
        m_cnOpened = true;
    }
    return m_cn;
}

std::string TestDatabase::path() const {
    return (m_dir.path() + QStringLiteral("/db_sms.mdb")).toStdString();
}

void TestDatabase::exec(const std::string& sql) const {
    outside::exec(path(), sql);
}

long long TestDatabase::count(const std::string& table) const {
    return outside::count(path(), table);
}

std::vector<std::vector<std::string>> TestDatabase::rows(const std::string& sql) const {
    return outside::rows(path(), sql);
}

QList<QPair<QString, QJsonObject>> TestDatabase::journal() const {
    QList<QPair<QString, QJsonObject>> entries;
    if (rows("SELECT 1 FROM sqlite_master WHERE name='tb_jurnal'").empty()) return entries;
    for (const auto& row : rows("SELECT jenis, rincian FROM tb_jurnal ORDER BY urut"))
        entries.append(
            {QString::fromStdString(row[0]), QJsonDocument::fromJson(QByteArray::fromStdString(row[1])).object()});
    return entries;
}

void TestDatabase::addParticipants(int n) const {
    std::vector<long long> ids;
    for (int i = 1; i <= n; ++i)
        ids.push_back(i);
    addParticipants(ids);
}

void TestDatabase::addParticipants(const std::vector<long long>& ids) const {
    std::string sql = "BEGIN;";
    for (long long id : ids) {
        const std::string s = std::to_string(id);
        sql += "INSERT INTO tb_peserta VALUES(" + s + ",'D" + s + "','Nama " + s + "','08" + s + "');";
    }
    exec(sql + "COMMIT;");
}
