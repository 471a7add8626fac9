#include "tests/support/TestServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <libpq-fe.h>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

namespace {

// The server's superuser in the tests' clusters, and the database their schemas are made in.
constexpr char kUser[] = "tombolika";
constexpr char kDatabase[] = "tombolika_tests";

std::string text(const QByteArray& bytes) {
    return bytes.toStdString();
}

// The unprivileged account the server runs as when the tests run as root.
const passwd* serverAccount() {
    if (getuid() != 0) return nullptr;
    const passwd* account = getpwnam("nobody");
    if (!account) throw std::runtime_error("the tests run as root and there is no user 'nobody' to run the server as");
    return account;
}

void giveToServerAccount(const std::string& path) {
    if (const passwd* account = serverAccount())
        if (chown(path.c_str(), account->pw_uid, account->pw_gid) != 0)
            throw std::runtime_error("cannot hand " + path + " to the user 'nobody'");
}

} // namespace

std::string TestServer::program(const std::string& name) {
    QString found = QStandardPaths::findExecutable(QString::fromStdString(name));
    if (found.isEmpty()) {
        // Debian keeps the server's programs out of the PATH, under its major version.
        QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(),
                  [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
        for (const QString& version : versions) {
            const QString candidate =
                QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(version, QString::fromStdString(name));
            if (QFile::exists(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    if (found.isEmpty())
        throw std::runtime_error("The PostgreSQL server's program " + name +
                                 " is not installed; the tests need Debian's postgresql package (./test installs it "
                                 "with scripts/deps.sh --tests)");
    return found.toStdString();
}

void TestServer::run(const std::vector<std::string>& arguments) const {
    QStringList list;
    QString command;
    if (const passwd* account = serverAccount()) {
        command = QStringLiteral("setpriv");
        list << QStringLiteral("--reuid=%1").arg(account->pw_uid) << QStringLiteral("--regid=%1").arg(account->pw_gid)
             << QStringLiteral("--clear-groups");
        list << QString::fromStdString(arguments.front());
    } else {
        command = QString::fromStdString(arguments.front());
    }
    for (std::size_t i = 1; i < arguments.size(); ++i)
        list << QString::fromStdString(arguments[i]);
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(m_socketDirectory));
    process.start(command, list);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::string log;
        QFile file(QString::fromStdString(m_socketDirectory + "/server.log"));
        if (file.open(QIODevice::ReadOnly)) log = text(file.readAll().right(2000));
        throw std::runtime_error(arguments.front() + " failed: " + text(process.readAllStandardError()) +
                                 text(process.readAllStandardOutput()) + log);
    }
}

TestServer::TestServer(Options options) : m_options(options) {
    m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tombolika-pg-XXXXXX"));
    if (!m_folder->isValid()) throw std::runtime_error("cannot make a folder for the test server");
    m_socketDirectory = m_folder->path().toStdString();
    m_data = m_socketDirectory + "/data";
    giveToServerAccount(m_socketDirectory);
    run({program("initdb"), "-D", m_data, "-U", kUser, "--auth=trust", "--no-sync", "-E", "UTF8", "--locale=C.UTF-8",
         "--no-instructions"});
    start();
}

TestServer::TestServer(std::string folder, bool own) : m_socketDirectory(std::move(folder)), m_own(own) {
    m_data = m_socketDirectory + "/data";
}

TestServer::~TestServer() {
    if (!m_own) return;
    try {
        stop();
    } catch (...) {
    }
}

void TestServer::start() {
    std::string settings =
        "-c listen_addresses='' -c unix_socket_directories='" + m_socketDirectory + "' -c max_connections=60";
    if (!m_options.durable) settings += " -c fsync=off -c synchronous_commit=off -c full_page_writes=off";
    run({program("pg_ctl"), "-D", m_data, "-l", m_socketDirectory + "/server.log", "-w", "-t", "60", "-o", settings,
         "start"});
    try {
        superuser("postgres", std::string("CREATE DATABASE ") + kDatabase);
    } catch (const std::runtime_error&) {
        // made at an earlier start
    }
}

void TestServer::stop() {
    run({program("pg_ctl"), "-D", m_data, "-m", "fast", "-w", "-t", "60", "stop"});
}

void TestServer::startIn(const std::string& folder) {
    QDir().mkpath(QString::fromStdString(folder));
    TestServer server(folder, false);
    giveToServerAccount(folder);
    server.run({program("initdb"), "-D", server.m_data, "-U", kUser, "--auth=trust", "--no-sync", "-E", "UTF8",
                "--locale=C.UTF-8", "--no-instructions"});
    server.start();
}

void TestServer::stopIn(const std::string& folder) {
    TestServer server(folder, false);
    server.stop();
}

TestServer& TestServer::shared() {
    static std::unique_ptr<TestServer> server = [] {
        const QByteArray file = qgetenv("TOMBOLIKA_TEST_SERVER");
        if (!file.isEmpty()) {
            QFile named(QString::fromLocal8Bit(file));
            if (!named.open(QIODevice::ReadOnly))
                throw std::runtime_error("the test server's folder file " + file.toStdString() +
                                         " cannot be read: did the test_server fixture start it?");
            return std::unique_ptr<TestServer>(new TestServer(named.readAll().trimmed().toStdString(), false));
        }
        return std::make_unique<TestServer>();
    }();
    return *server;
}

std::string TestServer::uri(const std::string& database) const {
    return "postgresql:///" + database + "?host=" + m_socketDirectory + "&user=" + kUser;
}

void TestServer::superuser(const std::string& database, const std::string& sql) const {
    execAsIs(uri(database), sql);
}

void TestServer::execAsIs(const std::string& uri, const std::string& sql) {
    PGconn* conn = PQconnectdb(uri.c_str());
    std::string failure;
    if (PQstatus(conn) != CONNECTION_OK) {
        failure = PQerrorMessage(conn);
    } else {
        PGresult* result = PQexec(conn, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) failure = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(conn);
    if (!failure.empty()) throw std::runtime_error("test server: " + sql + ": " + failure);
}

std::string TestServer::newDatabase() {
    // A schema of the tests' database each, which the URI makes the current one: the program sees an empty
    // database, and making one costs a fraction of CREATE DATABASE.
    static std::atomic<int> counter{0};
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    superuser(kDatabase, "CREATE SCHEMA " + name);
    return uri(kDatabase) + "&options=-c%20search_path%3D" + name;
}

void TestServer::dropDatabase(const std::string& uri) {
    const std::string name = uri.substr(uri.rfind("%3D") + 3);
    superuser(kDatabase, "SET client_min_messages = warning; SET lock_timeout = '10s'; DROP SCHEMA IF EXISTS " + name +
                             " CASCADE");
}
