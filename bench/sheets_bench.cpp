// Reading a participant list: 1,000,000 rows x 4 columns of xlsx (inline strings as libxlsxwriter's constant-memory
// mode writes them, and shared strings), through WorkbookReader and through RowStream, next to `unzip -p` of the
// sheet part (the floor: inflating alone). Also a 65,535-row xls. Prints time and peak RSS.
#include "platform/sheets/CellFormatter.h"
#include "platform/sheets/RowStream.h"
#include "platform/sheets/WorkbookReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <xlsxwriter.h>

namespace {

constexpr int kRows = 1000000;
const std::string kInlineFile = "/tmp/tombolika-bench-1m-inline.xlsx";
const std::string kSharedFile = "/tmp/tombolika-bench-1m-shared.xlsx";
const std::string kXlsFile = "/tmp/tombolika-bench-65535.xls";

void writeXlsx(const std::string& path, bool constantMemory) {
    if (std::filesystem::exists(path)) return;
    const std::string partial = path + ".part";
    lxw_workbook_options options = {};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = const_cast<char*>("/tmp");
    lxw_workbook* workbook = workbook_new_opt(partial.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    worksheet_write_string(sheet, 0, 0, "ID", nullptr);
    worksheet_write_string(sheet, 0, 1, "no_undian", nullptr);
    worksheet_write_string(sheet, 0, 2, "nama", nullptr);
    worksheet_write_string(sheet, 0, 3, "hp", nullptr);
    char text[64];
    for (int r = 1; r <= kRows; ++r) {
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 0, r, nullptr);
        std::snprintf(text, sizeof text, "%07d", r);
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 1, text, nullptr);
        std::snprintf(text, sizeof text, "Peserta Undian Nomor %d", r);
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 2, text, nullptr);
        std::snprintf(text, sizeof text, "08%010d", r * 7);
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 3, text, nullptr);
    }
    if (workbook_close(workbook) != LXW_NO_ERROR) std::abort();
    std::filesystem::rename(partial, path);
}

void writeXls() {
    if (std::filesystem::exists(kXlsFile)) return;
    const std::string script = "import xlwt\n"
                               "b = xlwt.Workbook()\n"
                               "s = b.add_sheet('Peserta')\n"
                               "for c, h in enumerate(['ID', 'no_undian', 'nama', 'hp']): s.write(0, c, h)\n"
                               "for r in range(1, 65535):\n"
                               "    s.write(r, 0, xlwt.Formula('ROW()-1'))\n"
                               "    s.write(r, 1, '%07d' % r)\n"
                               "    s.write(r, 2, 'Peserta Undian Nomor %d' % r)\n"
                               "    s.write(r, 3, '08%010d' % (r * 7))\n"
                               "b.save('" +
                               kXlsFile + ".part')\n";
    const std::string command = "/usr/bin/python3 -c \"" + script + "\"";
    if (std::system(command.c_str()) != 0) std::abort();
    std::filesystem::rename(kXlsFile + ".part", kXlsFile);
}

void reportPeak(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// unzip is timed by the child's CPU time, comparable with the readers' (process) CPU column on a shared machine.
double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_UnzipParts(benchmark::State& state, const std::string& path, const std::string& parts) {
    const std::string command = "unzip -p " + path + " " + parts + " > /dev/null";
    for (auto _ : state) {
        const double before = childCpuSeconds();
        if (std::system(command.c_str()) != 0) state.SkipWithError("unzip failed");
        state.SetIterationTime(childCpuSeconds() - before);
    }
}

void BM_WorkbookReader(benchmark::State& state, const std::string& path) {
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto reader = sheets::WorkbookReader::open(path);
        std::vector<sheets::Cell> cells;
        rows = 0;
        while (reader->nextRow(cells))
            ++rows;
        benchmark::DoNotOptimize(cells);
    }
    state.counters["rows"] = static_cast<double>(rows);
    reportPeak(state);
}

// What the upload does: rows as text, on a worker thread, taken in batches by the consumer.
void BM_RowStream(benchmark::State& state, const std::string& path) {
    std::int64_t rows = 0;
    for (auto _ : state) {
        sheets::RowStream stream(path, QLocale(QLocale::Indonesian, QLocale::Indonesia));
        sheets::RowStream::Batch batch;
        rows = 0;
        std::size_t bytes = 0;
        while (stream.next(batch)) {
            rows += static_cast<std::int64_t>(batch.size());
            bytes += batch.textBytes();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["rows"] = static_cast<double>(rows);
    reportPeak(state);
}

} // namespace

int main(int argc, char** argv) {
    writeXlsx(kInlineFile, true);
    writeXlsx(kSharedFile, false);
    writeXls();
    // CPU is the whole process's (both threads of RowStream); Time is wall clock.
    const auto add = [](const char* name, auto function, const std::string& path) {
        return benchmark::RegisterBenchmark(name, function, path)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    };
    // The floor: inflating the parts the reader reads (the sheet, and the shared strings where there are any).
    benchmark::RegisterBenchmark("unzip_p_cpu/inline", BM_UnzipParts, kInlineFile, "xl/worksheets/sheet1.xml")
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("unzip_p_cpu/shared", BM_UnzipParts, kSharedFile,
                                 "xl/worksheets/sheet1.xml xl/sharedStrings.xml")
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    add("WorkbookReader/xlsx_inline", BM_WorkbookReader, kInlineFile);
    add("WorkbookReader/xlsx_shared", BM_WorkbookReader, kSharedFile);
    add("RowStream/xlsx_inline", BM_RowStream, kInlineFile);
    add("RowStream/xlsx_shared", BM_RowStream, kSharedFile);
    add("WorkbookReader/xls_65535", BM_WorkbookReader, kXlsFile);
    add("RowStream/xls_65535", BM_RowStream, kXlsFile);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
