#include "tests/support/TestDatabase.h"

#include "core/Schema.h"
#include "platform/db/Statement.h"
#include "tests/support/OutsideLook.h"
#include "tests/support/TestServer.h"

#include <QJsonDocument>
#include <stdexcept>

namespace {
Store& defaultStoreValue() {
    static Store store = Store::File;
    return store;
}

// A look at the server's database through a connection of its own.
std::vector<std::vector<std::string>> serverRows(const std::string& uri, const std::string& sql) {
    db::Connection connection;
    connection.setDatabasePath(uri);
    connection.open();
    db::Statement statement(connection, sql);
    std::vector<std::vector<std::string>> rows;
    while (statement.step()) {
        std::vector<std::string> row;
        for (int i = 0; i < statement.columnCount(); ++i)
            row.emplace_back(statement.columnIsNull(i) ? std::string("<null>") : std::string(statement.columnText(i)));
        rows.push_back(std::move(row));
    }
    return rows;
}
} // namespace

const char* storeName(Store store) {
    return store == Store::File ? "File" : "Server";
}

Store TestDatabase::defaultStore() {
    return defaultStoreValue();
}

void TestDatabase::setDefaultStore(Store store) {
    defaultStoreValue() = store;
}

TestDatabase::TestDatabase(Store store) : m_store(store) {
    if (!m_dir.isValid()) throw std::runtime_error("cannot make a temporary directory");
    if (m_store == Store::Server) m_uri = TestServer::shared().newDatabase();
    schema::createDatabase(path());
}

TestDatabase::~TestDatabase() {
    m_cn.close();
    if (m_store == Store::Server) {
        try {
            TestServer::shared().dropDatabase(m_uri);
        } catch (...) {
        }
    }
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
    if (m_store == Store::Server) return m_uri;
    return (m_dir.path() + QStringLiteral("/db_sms.mdb")).toStdString();
}

void TestDatabase::exec(const std::string& sql) const {
    if (m_store == Store::Server) {
        db::Connection connection;
        connection.setDatabasePath(m_uri);
        connection.open();
        connection.exec(sql);
        return;
    }
    outside::exec(path(), sql);
}

long long TestDatabase::count(const std::string& table) const {
    return std::stoll(rows("SELECT count(*) FROM " + table).at(0).at(0));
}

bool TestDatabase::hasTable(const std::string& table) const {
    if (m_store == Store::Server) {
        db::Connection connection;
        connection.setDatabasePath(m_uri);
        connection.open();
        return connection.hasTable(table);
    }
    return !rows("SELECT 1 FROM sqlite_master WHERE type='table' AND name='" + table + "'").empty();
}

std::vector<std::vector<std::string>> TestDatabase::rows(const std::string& sql) const {
    if (m_store == Store::Server) return serverRows(m_uri, sql);
    return outside::rows(path(), sql);
}

QList<QPair<QString, QJsonObject>> TestDatabase::journal() const {
    QList<QPair<QString, QJsonObject>> entries;
    if (!hasTable("tb_jurnal")) return entries;
    for (const auto& row : rows("SELECT jenis, rincian FROM tb_jurnal ORDER BY urut"))
        entries.append(
            {QString::fromStdString(row[0]), QJsonDocument::fromJson(QByteArray::fromStdString(row[1])).object()});
    return entries;
}

void TestDatabase::refuseJournal(const std::string& kind, const std::string& message) const {
    if (m_store == Store::File) {
        exec("CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal WHEN NEW.jenis='" + kind +
             "' BEGIN SELECT RAISE(ABORT, '" + message + "'); END");
        return;
    }
    TestServer::execAsIs(m_uri,
                         "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.jenis = '" +
                             kind + "' THEN RAISE EXCEPTION '" + message +
                             "'; END IF; RETURN NEW; END $$; CREATE TRIGGER refuse BEFORE INSERT ON tb_jurnal "
                             "FOR EACH ROW EXECUTE FUNCTION refuse()");
}

void TestDatabase::acceptJournal() const {
    if (m_store == Store::File)
        exec("DROP TRIGGER refuse");
    else
        TestServer::execAsIs(m_uri, "DROP TRIGGER refuse ON tb_jurnal; DROP FUNCTION refuse()");
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
