# The participants screen on 1,000,000 participants: "Lihat Peserta" against a bare C-API step through the table,
# "Hapus Semua", and scrolling the grid (database generated into /tmp on the first run).
add_executable(bench_participants_screen ${CMAKE_CURRENT_LIST_DIR}/participants_screen_bench.cpp)
target_link_libraries(bench_participants_screen PRIVATE screens core bench_participants SQLite::SQLite3 benchmark::benchmark)
