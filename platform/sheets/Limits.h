#pragma once

#include <cstdint>

// Bounds the readers hold every workbook to, so that a damaged or hostile file ends in a clear message instead of
// exhausting memory or time. Each message names the limit it hit.
namespace sheets::limits {

// Spreadsheet programs stop at these; nothing legitimate goes beyond them.
inline constexpr int kMaxColumns = 16384;
inline constexpr int kMaxRows = 1048576;
// A CSV is not bound by a spreadsheet grid: room for a list of ten million participants under its heading and well
// beyond, while a file of endless short lines still ends in a message.
inline constexpr int kMaxCsvRows = 1 << 24;
// Characters (code points) in one cell: what spreadsheet programs accept in a cell.
inline constexpr int kMaxCellChars = 32767;
// UTF-8 bytes of all the cells of one row, so a row of thousands of maximal cells cannot fill memory.
inline constexpr std::int64_t kMaxRowBytes = 16 * 1024 * 1024;

// Shared-string table of an xlsx: the only thing held for the whole read.
inline constexpr std::int64_t kMaxSharedStrings = 16 * 1024 * 1024;
inline constexpr std::int64_t kMaxSharedStringBytes = 256 * 1024 * 1024;
// Cell formats (xlsx cellXfs, xls XF records) and number format codes kept for date detection.
inline constexpr int kMaxCellFormats = 65536;

// Zip parts: total uncompressed bytes read from one part, and how many times larger than its compressed size it may
// grow once past kRatioCheckAfterBytes (a zip bomb expands thousands of times).
inline constexpr std::int64_t kMaxPartBytes = std::int64_t{2} * 1024 * 1024 * 1024;
inline constexpr std::int64_t kRatioCheckAfterBytes = 64 * 1024 * 1024;
inline constexpr std::int64_t kMaxCompressionRatio = 200;
// Small parts (workbook, relationships, styles) are read whole; they never come near this.
inline constexpr std::int64_t kMaxSmallPartBytes = 64 * 1024 * 1024;

} // namespace sheets::limits
