# Reading speed and peak memory of the workbook readers on a 1,000,000 x 4 xlsx and a 65,535-row xls, generated
# into /tmp on the first run (libxlsxwriter, python3-xlwt), against `unzip -p` of the same sheet part.
find_library(XLSXWRITER_LIBRARY NAMES xlsxwriter REQUIRED)
find_path(XLSXWRITER_INCLUDE_DIR NAMES xlsxwriter.h REQUIRED)
add_executable(bench_sheets ${CMAKE_CURRENT_LIST_DIR}/sheets_bench.cpp)
target_include_directories(bench_sheets PRIVATE ${XLSXWRITER_INCLUDE_DIR})
target_link_libraries(bench_sheets PRIVATE platform_sheets ${XLSXWRITER_LIBRARY} benchmark::benchmark)
