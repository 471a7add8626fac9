#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

// A PostgreSQL server of the tests' own: a cluster made with initdb in a temporary folder, started with pg_ctl and
// reached on a Unix socket in that folder only (it listens on no network port), stopped and removed at the end.
// The server refuses to run as root, so under root (CI) it runs as the user "nobody". Without Debian's postgresql
// package this fails, saying so: ./test installs it, so a missing server is a fault, never a reason to skip.
class TestServer {
public:
    struct Options {
        // Tests need no durability; the benchmarks keep the server's defaults, as an event's server would.
        bool durable = false;
    };
    explicit TestServer(Options options);
    TestServer() : TestServer(Options{}) {}
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // The server the tests share: the one CTest started for the whole run (its socket folder in the file named by
    // TOMBOLIKA_TEST_SERVER), or else one started for this process and stopped when it ends.
    static TestServer& shared();

    // A connection URI for a database of this server.
    std::string uri(const std::string& database) const;
    // A new empty database as the program sees it (a schema of its own in the tests' database, which its URI makes
    // the current one), and its URI; dropDatabase() removes it.
    std::string newDatabase();
    void dropDatabase(const std::string& uri);

    // Takes the server away (as a crash or a power cut would, for the clients: their connections end) and brings
    // it back on the same folder.
    void stop();
    void start();

    const std::string& socketDirectory() const { return m_socketDirectory; }

    // Statements run as they are, in the database of a URI this server gave (newDatabase()), outside the program and
    // its translation of the file's SQL: what only the server's own SQL says (a trigger function).
    static void execAsIs(const std::string& uri, const std::string& sql);
    // A statement run as the server's superuser in a database of it, outside the program.
    void superuser(const std::string& database, const std::string& sql) const;

    // Used by the CTest fixture's helper: a server on `folder` left running, and stopping it.
    static void startIn(const std::string& folder);
    static void stopIn(const std::string& folder);

private:
    TestServer(std::string folder, bool own);
    static std::string program(const std::string& name);
    void run(const std::vector<std::string>& arguments) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    std::string m_data;
    std::string m_socketDirectory;
    bool m_own = true;
    Options m_options;
};
