# An event on a PostgreSQL server with 1,000,000 participants, on a local socket: start-up next to psql's \copy to
# /dev/null, the upload next to \copy from the same CSV, and a winner's save with its entry (server and file).
# It runs its own server with the tests' helper, so it is built with the tests.
if(NOT TARGET test_database)
    return()
endif()
add_executable(bench_server ${CMAKE_CURRENT_LIST_DIR}/server_bench.cpp)
target_link_libraries(bench_server PRIVATE core test_database Qt6::Core)
target_compile_definitions(bench_server PRIVATE TOMBOLIKA_PROGRAM="$<TARGET_FILE:tombolika>")
add_dependencies(bench_server tombolika)
