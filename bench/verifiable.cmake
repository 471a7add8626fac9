# The keyed draw at 10,000,000 participants: one pick with 1,000 participants left out (target: within 1 ms), a
# round of 50, the public list's fingerprint and its file.
add_executable(bench_verifiable ${CMAKE_CURRENT_LIST_DIR}/verifiable_bench.cpp)
target_link_libraries(bench_verifiable PRIVATE core benchmark::benchmark)
