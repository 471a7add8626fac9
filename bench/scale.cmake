# Ten million participants through the whole program, each figure beside its reference in the same run: start-up
# (first and later), memory and fingerprint, the participants screen, "Hapus Semua", --verify and --minutes, and the
# import of a 10,000,000-row csv. Runs the program's start as child processes of itself and the real program for
# --verify and --minutes; the data is made in $TOMBOLIKA_BENCH_DATA on the first run.
add_executable(bench_scale ${CMAKE_CURRENT_LIST_DIR}/scale_bench.cpp)
target_link_libraries(bench_scale PRIVATE screens core bench_participants SQLite::SQLite3)
target_compile_definitions(bench_scale PRIVATE TOMBOLIKA_PROGRAM="$<TARGET_FILE:tombolika>"
                                               TOMBOLIKA_LOGO="${CMAKE_SOURCE_DIR}/resources/LOGO.JPG")
add_dependencies(bench_scale tombolika)
