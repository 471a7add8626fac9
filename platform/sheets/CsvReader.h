#pragma once

#include "platform/sheets/SheetReader.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <string>
#include <vector>

struct csv_parser;

namespace sheets {

// Comma-, semicolon- or tab-separated text, UTF-8 (with or without byte-order mark) or else Windows-1252. The
// separator is the one the heading line uses most. Every value is text, as typed: "007" keeps its zeros. A quoted
// field still open at the end of the file is refused with the line it starts on.
class CsvReader : public SheetReader {
public:
    explicit CsvReader(const std::string& path);
    ~CsvReader() override;

    // Whether the start of the file is text that could be CSV (no NUL or other control bytes).
    static bool looksLikeText(const std::string& path);

protected:
    bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) override;

private:
    static void onField(void* data, std::size_t length, void* self);
    static void onRowEnd(int terminator, void* self);
    void addField(const char* data, std::size_t length);
    void endRow(int terminator);
    void feed(const char* data, std::size_t length);
    void parse(const char* data, std::size_t length);

    std::FILE* m_file = nullptr;
    csv_parser* m_parser = nullptr;
    char m_delimiter = ',';
    bool m_utf8 = true;
    bool m_eof = false;
    std::exception_ptr m_error; // a failure inside libcsv's callbacks, rethrown once it returns
    std::string m_pendingStart; // the part of the file read to detect the encoding, fed first
    std::size_t m_pendingFed = 0;

    std::vector<Cell> m_row;
    std::int64_t m_rowBytes = 0;
    std::int64_t m_rowNumber = 0;
    int m_lastTerminator = 0;
    std::int64_t m_line = 1;      // the line being parsed (1-based)
    std::int64_t m_fieldLine = 1; // where the field being gathered starts
    bool m_afterCr = false;       // the last byte fed was a CR (a LF right after it ends no second line)
    std::deque<std::pair<std::int64_t, std::vector<Cell>>> m_rows; // complete rows not yet handed out
    std::string m_field;
};

} // namespace sheets
