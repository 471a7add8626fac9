#pragma once

#include <cstddef>
#include <cstdint>

// Entry points shared by the libFuzzer targets and the corpus replay test. Each builds a file from the input, reads
// every row through one reader, and accepts platform::Error (refusing is fine; crashing,
// leaking or hanging is not).
namespace sheets::fuzz {

// xlsx: the input is the worksheet part, optionally followed by "\n--8<--\n" and the shared strings part, and again
// by the styles part; they are zipped with a fixed workbook around them.
void readXlsx(const std::uint8_t* data, std::size_t size);
// ods: the input is content.xml, zipped with the mimetype.
void readOds(const std::uint8_t* data, std::size_t size);
// xls: the input is the Workbook stream, put into an OLE2 container.
void readXls(const std::uint8_t* data, std::size_t size);
// csv: the input is the file.
void readCsv(const std::uint8_t* data, std::size_t size);

} // namespace sheets::fuzz
