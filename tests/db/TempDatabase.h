#pragma once

#include "platform/db/Connection.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// A db_sms.mdb made from the program's schema in a fresh temporary directory, removed afterwards, with the
// program's connection open on it and a second, independent look at the file for assertions.
class TempDatabase {
public:
    TempDatabase();
    ~TempDatabase();
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    const std::filesystem::path& directory() const { return m_dir; }
    std::string path() const { return (m_dir / "db_sms.mdb").string(); }
    db::Connection& cn() { return m_cn; }

    // Through a connection of its own, as the sqlite3 tool would look at the file.
    void exec(const std::string& sql) const;
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;
    long long count(const std::string& table) const;

private:
    std::filesystem::path m_dir;
    db::Connection m_cn;
};

// A fresh empty temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The message of the platform::Error that the call throws, or "<no error>".
std::string errorOf(const std::function<void()>& call);
