# The record of the draws at 1,000,000 participants: the seal at start-up, the fingerprint's time, the check of the
# "list changed" line and a cursor's write with its journal entry.
add_executable(bench_record ${CMAKE_CURRENT_LIST_DIR}/record_bench.cpp)
target_link_libraries(bench_record PRIVATE bench_participants core benchmark::benchmark)

# SHA-256 of the record: the program's own against Qt's, in bytes a second.
add_executable(bench_digest ${CMAKE_CURRENT_LIST_DIR}/digest_bench.cpp)
target_link_libraries(bench_digest PRIVATE platform_digest Qt6::Core benchmark::benchmark)
