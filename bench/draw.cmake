# The cost of one shuffle tick at 10,000,000 participants, also with winners not drawn again.
add_executable(bench_draw ${CMAKE_CURRENT_LIST_DIR}/draw_tick.cpp)
target_link_libraries(bench_draw PRIVATE bench_participants screens platform_db platform_chance benchmark::benchmark)

# The display's share of a tick: a draw number set into the 60 px display, plain and fitting.
add_executable(bench_draw_display ${CMAKE_CURRENT_LIST_DIR}/display_tick.cpp)
target_link_libraries(bench_draw_display PRIVATE platform_ui benchmark::benchmark)
