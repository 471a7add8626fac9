# The audience screen at 3840 x 2160: the cost of repainting the flashing number, and the shuffle at 1 ms with it.
add_executable(bench_audience ${CMAKE_CURRENT_LIST_DIR}/audience_bench.cpp)
target_link_libraries(bench_audience PRIVATE screens bench_participants)
