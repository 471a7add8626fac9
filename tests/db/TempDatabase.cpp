#include "tests/db/TempDatabase.h"

#include "data/Schema.h"
#include "platform/Error.h"
#include "tests/support/OutsideLook.h"

#include <cstdlib>
#include <stdexcept>

namespace {

std::filesystem::path makeTempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tombolika-db-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    return pattern;
}

} // namespace

TempDirectory::TempDirectory() : m_path(makeTempDirectory()) {}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

TempDatabase::TempDatabase() : m_dir(makeTempDirectory()) {
    schema::createDatabase(path());
    m_cn.setDatabasePath(path());
    m_cn.open();
}

TempDatabase::~TempDatabase() {
    m_cn.close();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

void TempDatabase::exec(const std::string& sql) const {
    outside::exec(path(), sql);
}

std::vector<std::vector<std::string>> TempDatabase::rows(const std::string& sql) const {
    return outside::rows(path(), sql);
}

long long TempDatabase::count(const std::string& table) const {
    return outside::count(path(), table);
}

std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::Error& error) {
        return error.what();
    }
    return "<no error>";
}
