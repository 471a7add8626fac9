# The winners export and the opening of the winners screen on 1,000,000 winners, against the sqlite3 command-line
# tool and a bare C-API step through the table (database generated into /tmp on the first run).
add_executable(bench_winners ${CMAKE_CURRENT_LIST_DIR}/winners_bench.cpp)
target_link_libraries(bench_winners PRIVATE screens core bench_participants SQLite::SQLite3 benchmark::benchmark)
