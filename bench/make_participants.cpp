#include "bench/make_participants.h"

#include "core/Schema.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>
#include <string_view>

namespace bench {

namespace {

constexpr std::array<std::string_view, 24> kFirst = {
    "Agus", "Budi", "Citra", "Dewi",  "Eko",   "Fitri", "Gilang", "Hendra", "Indah", "Joko",  "Kartika", "Lestari",
    "Made", "Nur",  "Oka",   "Putri", "Rizky", "Siti",  "Teguh",  "Utami",  "Wahyu", "Yanti", "Zainal",  "Bayu"};
constexpr std::array<std::string_view, 24> kLast = {"Santoso", "Wijaya",   "Pratama", "Saputra", "Hidayat", "Kusuma",
                                                    "Nugroho", "Setiawan", "Siregar", "Harahap", "Lubis",   "Wibowo",
                                                    "Gunawan", "Susanto",  "Halim",   "Rahman",  "Putra",   "Sari",
                                                    "Utomo",   "Purba",    "Tan",     "Lim",     "Ginting", "Maharani"};

std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errmsg(db));
}

} // namespace

void makeParticipants(const std::string& path, std::int64_t n, std::uint64_t seed) {
    std::filesystem::remove(path);
    schema::createDatabase(path);
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db);
    // Bulk loading only: the program itself keeps full durability.
    check(sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=OFF; BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO tb_peserta VALUES(?,?,?,?)", -1, &insert, nullptr), db);
    std::uint64_t state = seed;
    char number[16], phone[16];
    std::string name;
    for (std::int64_t id = 1; id <= n; ++id) {
        const std::uint64_t r = splitmix(state);
        std::snprintf(number, sizeof number, "%c%07u", static_cast<char>('A' + r % 26),
                      static_cast<unsigned>((r >> 8) % 10'000'000));
        std::snprintf(phone, sizeof phone, "0812%08u", static_cast<unsigned>((r >> 32) % 100'000'000));
        name.assign(kFirst[(r >> 20) % kFirst.size()]);
        name += ' ';
        name += kLast[(r >> 40) % kLast.size()];
        if (name.size() < 12 && (r >> 50) % 2) {
            name += ' ';
            name += kLast[(r >> 54) % kLast.size()];
        }
        if (name.size() > 20) name.resize(20);
        while (name.size() < 8)
            name += 'a';
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_text(insert, 2, number, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, phone, -1, SQLITE_STATIC);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

std::string cachedParticipants(std::int64_t n) {
    const char* chosen = std::getenv("TOMBOLIKA_BENCH_DATA");
    const auto dir =
        chosen && *chosen ? std::filesystem::path(chosen) : std::filesystem::temp_directory_path() / "tombolika-bench";
    std::filesystem::create_directories(dir);
    const auto path = dir / ("participants-" + std::to_string(n) + ".mdb");
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "Making %s ...\n", path.c_str());
        const auto partial = path.string() + ".partial";
        makeParticipants(partial, n);
        std::filesystem::rename(partial, path); // an interrupted run leaves no half-made cache
    }
    return path.string();
}

} // namespace bench
