# The spreadsheet upload: 1,000,000 participants x 4 columns of xlsx into an empty tb_peserta, and the re-query that
# shows them, next to `unzip -p` of the sheet part; and the 65,535-row xls. Files generated into /tmp on the first
# run (libxlsxwriter, python3-xlwt). Prints time, the ratio to unzip and the memory each step adds.
find_library(XLSXWRITER_LIBRARY NAMES xlsxwriter REQUIRED)
find_path(XLSXWRITER_INCLUDE_DIR NAMES xlsxwriter.h REQUIRED)
add_executable(bench_import ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
target_include_directories(bench_import PRIVATE ${XLSXWRITER_INCLUDE_DIR})
target_link_libraries(bench_import PRIVATE screens core ${XLSXWRITER_LIBRARY} PkgConfig::LIBZIP benchmark::benchmark)
