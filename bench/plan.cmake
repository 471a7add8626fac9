# The draw with a prize plan: a shuffle tick and the picks of a round at 10,000,000 participants with 1,000 winners
# out, and what turning to a prize costs; and a round of 50 saved on the draw screen with 1,000,000 participants.
add_executable(bench_plan_tick ${CMAKE_CURRENT_LIST_DIR}/plan_tick.cpp)
target_link_libraries(bench_plan_tick PRIVATE bench_participants core platform_db platform_chance benchmark::benchmark)
add_executable(bench_plan_save ${CMAKE_CURRENT_LIST_DIR}/plan_save.cpp)
target_link_libraries(bench_plan_save PRIVATE bench_participants screens)
target_compile_definitions(bench_plan_save PRIVATE TOMBOLIKA_RESOURCES_DIR="${CMAKE_SOURCE_DIR}/resources")
