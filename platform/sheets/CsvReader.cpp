#include "platform/sheets/CsvReader.h"

#include "platform/sheets/CodePage.h"
#include "platform/sheets/Limits.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csv.h>

namespace sheets {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// Enough of the file to judge its encoding by.
constexpr std::size_t kSampleBytes = 1024 * 1024;

// Whether data is well-formed UTF-8; with allowTruncated, an incomplete sequence at the very end (a sample cut off
// mid-character) passes.
bool validUtf8(const char* data, std::size_t length, bool allowTruncated) {
    std::size_t i = 0;
    while (i < length) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        std::uint32_t code;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= length) {
            if (!allowTruncated) return false;
            for (std::size_t k = i + 1; k < length; ++k)
                if ((static_cast<unsigned char>(data[k]) & 0xC0) != 0x80) return false;
            return true;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(data[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            code = (code << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

int keepSpaces(unsigned char) {
    return 0;
}

} // namespace

bool CsvReader::looksLikeText(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char sample[65536];
    const std::size_t n = std::fread(sample, 1, sizeof sample, file);
    std::fclose(file);
    if (n == 0) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(sample[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') return false;
        if (c == 0x7F) return false;
    }
    return true;
}

CsvReader::CsvReader(const std::string& path) : SheetReader(path) {
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) fail(std::strerror(errno));
    m_pendingStart.resize(kSampleBytes);
    m_pendingStart.resize(std::fread(m_pendingStart.data(), 1, kSampleBytes, m_file));
    if (std::ferror(m_file)) fail(std::strerror(errno));
    if (m_pendingStart.rfind("\xEF\xBB\xBF", 0) == 0) {
        m_pendingStart.erase(0, 3);
        m_utf8 = true;
    } else {
        m_utf8 = validUtf8(m_pendingStart.data(), m_pendingStart.size(), m_pendingStart.size() == kSampleBytes);
    }

    // The separator: whichever of tab, semicolon and comma the heading line uses most, outside quotes.
    std::size_t tabs = 0, semicolons = 0, commas = 0;
    bool quoted = false;
    for (char c : m_pendingStart) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == '\t')
            ++tabs;
        else if (!quoted && c == ';')
            ++semicolons;
        else if (!quoted && c == ',')
            ++commas;
    }
    if (tabs > 0 && tabs >= semicolons && tabs >= commas)
        m_delimiter = '\t';
    else if (semicolons > 0 && semicolons >= commas)
        m_delimiter = ';';
    else
        m_delimiter = ',';

    m_parser = new csv_parser;
    if (csv_init(m_parser, CSV_REPALL_NL) != 0) throw std::bad_alloc();
    csv_set_delim(m_parser, static_cast<unsigned char>(m_delimiter));
    csv_set_space_func(m_parser, &keepSpaces);
}

CsvReader::~CsvReader() {
    if (m_parser) {
        csv_free(m_parser);
        delete m_parser;
    }
    if (m_file) std::fclose(m_file);
}

// libcsv calls back through C frames: a failure is kept and rethrown once csv_parse returns.
void CsvReader::onField(void* data, std::size_t length, void* self) {
    auto* reader = static_cast<CsvReader*>(self);
    if (reader->m_error) return;
    try {
        reader->addField(static_cast<const char*>(data), length);
    } catch (...) {
        reader->m_error = std::current_exception();
    }
}

void CsvReader::onRowEnd(int terminator, void* self) {
    auto* reader = static_cast<CsvReader*>(self);
    if (reader->m_error) return;
    try {
        reader->endRow(terminator);
    } catch (...) {
        reader->m_error = std::current_exception();
    }
}

void CsvReader::addField(const char* data, std::size_t length) {
    // The next field starts on this line (a line end after this one is reported as the row's end).
    m_fieldLine = m_line;
    m_field.clear();
    if (m_utf8 && validUtf8(data, length, false))
        m_field.append(data, length);
    else
        CodePage::appendWindows1252(m_field, data, length);
    // A line break inside quotes is a line break in the cell, whichever way the file ends its lines.
    if (m_field.find('\r') != std::string::npos) {
        std::string normalised;
        for (std::size_t i = 0; i < m_field.size(); ++i)
            if (!(m_field[i] == '\r' && i + 1 < m_field.size() && m_field[i + 1] == '\n')) normalised += m_field[i];
        m_field.swap(normalised);
    }
    checkCellText(m_field);
    const auto column = static_cast<std::int64_t>(m_row.size()) + 1;
    Cell& cell = cellAt(m_row, column);
    if (!m_field.empty()) {
        addRowBytes(m_rowBytes, m_field.size());
        cell.kind = Cell::Kind::Text;
        cell.text = m_field;
    }
}

void CsvReader::endRow(int terminator) {
    // A blank line is an empty row; the LF of a CRLF is not a second one.
    const bool lineFeedOfCrLf = m_row.empty() && terminator == '\n' && m_lastTerminator == '\r';
    m_lastTerminator = terminator;
    if (lineFeedOfCrLf) return;
    m_fieldLine = m_line + 1; // the line end being parsed ends this line too
    ++m_rowNumber;
    checkRowNumber(m_rowNumber, limits::kMaxCsvRows);
    while (!m_row.empty() && m_row.back().kind == Cell::Kind::Empty)
        m_row.pop_back();
    if (!m_row.empty()) {
        m_rows.emplace_back(m_rowNumber, std::move(m_row));
        m_row.clear();
    }
    m_rowBytes = 0;
}

void CsvReader::parse(const char* data, std::size_t length) {
    if (csv_parse(m_parser, data, length, &CsvReader::onField, &CsvReader::onRowEnd, this) != length)
        fail(std::string("it cannot be read as CSV (") + csv_strerror(csv_error(m_parser)) + ")");
    if (m_error) std::rethrow_exception(m_error);
}

void CsvReader::feed(const char* data, std::size_t length) {
    // A line at a time, so that what the parser reports is known to be on the line being fed.
    std::size_t start = 0;
    while (start < length) {
        std::size_t end = start;
        while (end < length && data[end] != '\n' && data[end] != '\r')
            ++end;
        const bool lineEnd = end < length;
        if (lineEnd) ++end;
        parse(data + start, end - start);
        if (lineEnd) {
            const char c = data[end - 1];
            const bool lineFeedOfCrLf = c == '\n' && m_afterCr && end - 1 == start;
            if (!lineFeedOfCrLf) ++m_line;
            m_afterCr = c == '\r';
        } else {
            m_afterCr = false;
        }
        start = end;
    }
    // libcsv gathers a field before handing it over; stop a field without end before it fills memory.
    if (csv_get_buffer_size(m_parser) > static_cast<std::size_t>(limits::kMaxCellChars) * 4 + kChunkBytes)
        fail("a cell holds more than " + std::to_string(limits::kMaxCellChars) + " characters");
}

bool CsvReader::readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) {
    while (m_rows.empty()) {
        if (m_eof) return false;
        if (m_pendingFed < m_pendingStart.size()) {
            // A chunk at a time, like the rest of the file, so few rows wait in the queue.
            const std::size_t n = std::min(kChunkBytes, m_pendingStart.size() - m_pendingFed);
            feed(m_pendingStart.data() + m_pendingFed, n);
            m_pendingFed += n;
            if (m_pendingFed == m_pendingStart.size()) {
                std::string().swap(m_pendingStart);
                m_pendingFed = 0;
            }
            continue;
        }
        char buffer[kChunkBytes];
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, m_file);
        if (std::ferror(m_file)) fail(std::strerror(errno));
        if (n > 0) {
            feed(buffer, n);
        } else {
            m_eof = true;
            // libcsv would end the open field at the end of the file, swallowing the rest of the list into it.
            // (2 is its state "inside a field"; after a closing quote it is 3.)
            if (m_parser->quoted && m_parser->pstate == 2)
                fail("line " + std::to_string(m_fieldLine) + ": a quoted field is not closed");
            csv_fini(m_parser, &CsvReader::onField, &CsvReader::onRowEnd, this);
            if (m_error) std::rethrow_exception(m_error);
        }
    }
    rowNumber = m_rows.front().first;
    cells.swap(m_rows.front().second);
    m_rows.pop_front();
    return true;
}

} // namespace sheets
