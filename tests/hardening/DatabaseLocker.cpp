// Another program holding the database: takes an exclusive lock on the file, prints "locked", and lets go when a line
// arrives on stdin (or stdin closes).
//
//   hardening_database_locker PATH
#include <cstdio>
#include <sqlite3.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 1;
    }
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(argv[1], &handle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(handle, "BEGIN EXCLUSIVE; DELETE FROM setup WHERE 0;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot lock: %s\n", sqlite3_errmsg(handle));
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    char line[16];
    [[maybe_unused]] const char* ignored = std::fgets(line, sizeof line, stdin);
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(handle);
    return 0;
}
