# The data layer's figures: the draw's snapshot of 1,000,000 participants against plain stepping with the C API,
# and its memory. The participants databases are made by make_participants and cached in /tmp.
add_library(bench_participants STATIC ${CMAKE_CURRENT_LIST_DIR}/make_participants.cpp ${CMAKE_CURRENT_LIST_DIR}/step_through.cpp)
target_link_libraries(bench_participants PUBLIC core SQLite::SQLite3 benchmark::benchmark)

add_executable(make_participants ${CMAKE_CURRENT_LIST_DIR}/make_participants_main.cpp)
target_link_libraries(make_participants PRIVATE bench_participants)

add_executable(bench_db ${CMAKE_CURRENT_LIST_DIR}/db_startup.cpp)
target_link_libraries(bench_db PRIVATE bench_participants platform_db benchmark::benchmark)

# One row deleted or changed through a cursor on 1,000 and 1,000,000 participants.
add_executable(bench_db_change ${CMAKE_CURRENT_LIST_DIR}/db_change.cpp)
target_link_libraries(bench_db_change PRIVATE bench_participants platform_db benchmark::benchmark)
