#include "platform/sheets/XlsReader.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/NumberFormats.h"
#include "platform/sheets/Utf8.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <map>
#include <mutex>

namespace sheets {

namespace {

enum Record : std::uint16_t {
    kFormula = 0x0006,
    kArray = 0x0221,
    kTable = 0x0236,
    kShrFmla = 0x04BC,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
    kCodePage = 0x0042,
    kUncalced = 0x005E,
    kSaveRecalc = 0x005F,
    kWsBool = 0x0081,
};

constexpr const char* kPasswordProtected =
    "it is a password-protected workbook, which is not read; open it in a spreadsheet program, save it without a "
    "password as .xlsx and import that file";
constexpr const char* kOldExcel = "it is in an Excel format older than 5.0, which is not read; open it in a "
                                  "spreadsheet program, save it as .xlsx and import that file";

// The container's stream of this name, matched without regard to case (writers spell it "Workbook", "WORKBOOK"...).
GsfInput* childNamed(GsfInfile* ole, const char* name) {
    const int count = gsf_infile_num_children(ole);
    for (int i = 0; i < count; ++i) {
        const char* child = gsf_infile_name_by_index(ole, i);
        if (child && g_ascii_strcasecmp(child, name) == 0) return gsf_infile_child_by_index(ole, i);
    }
    return nullptr;
}

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
double f64(const std::uint8_t* p) {
    const std::uint64_t bits = u32(p) | (static_cast<std::uint64_t>(u32(p + 4)) << 32);
    return std::bit_cast<double>(bits);
}

const char* errorText(std::uint8_t code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    default:
        return "#GETTING_DATA";
    }
}

// UTF-16 code units (pairs joined; a lone surrogate becomes U+FFFD) to UTF-8.
void appendUtf16(std::string& out, const std::vector<std::uint16_t>& units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        appendUtf8(out, code);
    }
}

// XLUnicodeString at offset: 16-bit count, flags (bit 0: two bytes a character), characters; cut at the record's end.
std::string unicodeString(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    std::string text;
    if (offset + 3 > size) return text;
    const std::uint16_t cch = u16(data + offset);
    const bool wide = data[offset + 2] & 1;
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < cch; ++i) {
        const std::size_t at = offset + 3 + i * (wide ? 2 : 1);
        if (at + (wide ? 2 : 1) > size) break;
        units.push_back(wide ? u16(data + at) : data[at]);
    }
    appendUtf16(text, units);
    return text;
}

// Reads BIFF8 data that may run on across CONTINUE records: at each boundary a string's characters resume with a
// fresh flags byte saying whether they are one or two bytes wide.
class ContinuedData {
public:
    ContinuedData(const std::vector<std::uint8_t>& data, const std::vector<std::size_t>& boundaries)
        : m_data(data), m_boundaries(boundaries) {}

    bool atEnd() const { return m_pos >= m_data.size(); }
    bool need(std::size_t n) const { return m_pos + n <= m_data.size(); }
    std::uint8_t byte() { return m_data[m_pos++]; }
    std::uint16_t word() {
        const auto v = u16(&m_data[m_pos]);
        m_pos += 2;
        return v;
    }
    std::uint32_t dword() {
        const auto v = u32(&m_data[m_pos]);
        m_pos += 4;
        return v;
    }
    void skip(std::size_t n) { m_pos = n > m_data.size() - m_pos ? m_data.size() : m_pos + n; }
    // True when the next byte starts a CONTINUE record.
    bool atBoundary() {
        while (m_next < m_boundaries.size() && m_boundaries[m_next] < m_pos)
            ++m_next;
        return m_next < m_boundaries.size() && m_boundaries[m_next] == m_pos;
    }

private:
    const std::vector<std::uint8_t>& m_data;
    const std::vector<std::size_t>& m_boundaries;
    std::size_t m_pos = 0;
    std::size_t m_next = 0;
};

std::once_flag gsfInitialised;

} // namespace

XlsReader::XlsReader(const std::string& path) : SheetReader(path) {
    std::call_once(gsfInitialised, [] { gsf_init(); });
    GError* error = nullptr;
    m_file = gsf_input_stdio_new(path.c_str(), &error);
    if (!m_file) {
        const std::string reason = error ? error->message : "cannot open the file";
        if (error) g_error_free(error);
        fail(reason);
    }
    m_ole = gsf_infile_msole_new(m_file, &error);
    if (!m_ole) {
        if (error) g_error_free(error);
        fail("the file is damaged (not a readable OLE2 container)");
    }
    openWorkbookStream();
    readGlobals();
}

void XlsReader::openWorkbookStream() {
    if (GsfInput* encrypted = childNamed(m_ole, "EncryptedPackage")) {
        g_object_unref(encrypted); // an xlsx with a password: the package is in there, encrypted
        fail(kPasswordProtected);
    }
    // "Workbook" holds BIFF8, "Book" BIFF5; an Excel 97 file may keep both, and then "Workbook" is the one.
    m_stream = childNamed(m_ole, "Workbook");
    if (!m_stream) m_stream = childNamed(m_ole, "Book");
    if (!m_stream) fail("it is not an Excel workbook (no Workbook stream)");
}

XlsReader::~XlsReader() {
    if (m_stream) g_object_unref(m_stream);
    if (m_ole) g_object_unref(m_ole);
    if (m_file) g_object_unref(m_file);
}

bool XlsReader::readRecord() {
    if (gsf_input_remaining(m_stream) < 4) return false;
    const guint8* header = gsf_input_read(m_stream, 4, nullptr);
    if (!header) fail("its workbook stream is damaged");
    m_type = u16(header);
    const std::uint16_t size = u16(header + 2);
    m_record.resize(size);
    if (size > 0) {
        if (gsf_input_remaining(m_stream) < size || !gsf_input_read(m_stream, size, m_record.data()))
            fail("its workbook stream ends in the middle of a record");
    }
    return true;
}

void XlsReader::readGlobals() {
    if (!readRecord() || m_type != kBof || m_record.size() < 4)
        fail("its workbook stream does not start like an Excel workbook");
    const std::uint16_t version = u16(m_record.data());
    if (version != 0x0600 && version != 0x0500) fail(kOldExcel);
    m_biff5 = version == 0x0500;

    std::map<int, bool> customIsDate;
    std::vector<int> xfFormats;
    std::vector<std::uint32_t> sheetOffsets; // sheets that may be worksheets, in workbook order
    for (;;) {
        if (!readRecord()) fail("its workbook stream ends before its first worksheet");
        const std::size_t size = m_record.size();
        const std::uint8_t* data = m_record.data();
        switch (m_type) {
        case kFilePass:
            fail(kPasswordProtected);
        case kCodePage:
            if (size >= 2 && m_biff5) m_codePage = CodePage(u16(data));
            break;
        case kDateMode:
            if (size >= 2) m_date1904 = u16(data) == 1;
            break;
        case kFormat:
            if (customIsDate.size() < static_cast<std::size_t>(limits::kMaxCellFormats) && size >= 3) {
                // BIFF8: 16-bit length, flags, characters; BIFF5: 8-bit length and 8-bit characters.
                std::string code;
                if (m_biff5) {
                    code = byteString(2, 1);
                } else if (size >= 5) {
                    const std::uint16_t cch = u16(data + 2);
                    const bool wide = data[4] & 1;
                    for (std::size_t i = 0; i < cch; ++i) {
                        const std::size_t at = 5 + i * (wide ? 2 : 1);
                        if (at + (wide ? 2 : 1) > size) break;
                        const std::uint16_t c = wide ? u16(data + at) : data[at];
                        code += c < 0x80 ? static_cast<char>(c) : '?';
                    }
                }
                customIsDate[u16(data)] = numfmt::isDateFormatCode(code);
            }
            break;
        case kXf:
            if (size >= 4) {
                if (xfFormats.size() >= static_cast<std::size_t>(limits::kMaxCellFormats))
                    fail("it has more than " + std::to_string(limits::kMaxCellFormats) + " cell formats");
                xfFormats.push_back(u16(data + 2));
            }
            break;
        case kBoundSheet:
            // Type 0 is a worksheet or a dialog sheet; chart sheets, macro sheets and modules hold no cells.
            if (size >= 6 && data[5] == 0 && sheetOffsets.size() < 65536) sheetOffsets.push_back(u32(data));
            break;
        case kSst:
            if (m_biff5) break;
            readSharedStrings();
            continue; // readSharedStrings has already read the record after the table
        default:
            break;
        }
        if (m_type == kEof) break;
    }
    for (int id : xfFormats) {
        const auto custom = customIsDate.find(id);
        m_xfIsDate.push_back(custom != customIsDate.end() ? custom->second : numfmt::isDateFormatId(id));
    }
    for (const std::uint32_t offset : sheetOffsets)
        if (startWorksheet(offset)) return;
    fail("the workbook has no worksheet");
}

std::string XlsReader::byteString(std::size_t offset, std::size_t lengthBytes) {
    // 8-bit text after its length (one or two bytes), in the workbook's code page; cut at the record's end.
    std::string text;
    if (offset + lengthBytes > m_record.size()) return text;
    const std::size_t cch = lengthBytes == 1 ? m_record[offset] : u16(m_record.data() + offset);
    const std::size_t start = offset + lengthBytes;
    m_codePage.append(text, reinterpret_cast<const char*>(m_record.data() + start),
                      std::min(cch, m_record.size() - start));
    return text;
}

void XlsReader::readSharedStrings() {
    // The table runs on over CONTINUE records; gather it (bounded) and note where each record starts.
    std::vector<std::uint8_t> data(m_record);
    std::vector<std::size_t> boundaries;
    while (readRecord() && m_type == kContinue) {
        boundaries.push_back(data.size());
        data.insert(data.end(), m_record.begin(), m_record.end());
        if (static_cast<std::int64_t>(data.size()) > limits::kMaxSharedStringBytes)
            fail("its shared string table holds more than " +
                 std::to_string(limits::kMaxSharedStringBytes / (1024 * 1024)) + " MB");
    }
    ContinuedData in(data, boundaries);
    if (!in.need(8)) fail("its shared string table is damaged");
    in.skip(4);
    const std::uint32_t unique = in.dword();
    m_sharedOffsets.assign(1, 0);
    std::vector<std::uint16_t> units;
    for (std::uint32_t n = 0; n < unique && !in.atEnd(); ++n) {
        if (static_cast<std::int64_t>(m_sharedOffsets.size()) > limits::kMaxSharedStrings)
            fail("its shared string table has more than " + std::to_string(limits::kMaxSharedStrings) + " strings");
        if (!in.need(3)) fail("its shared string table is damaged");
        const std::uint16_t cch = in.word();
        std::uint8_t flags = in.byte();
        std::uint16_t runs = 0;
        std::uint32_t extra = 0;
        if ((flags & 0x08) && in.need(2)) runs = in.word();
        if ((flags & 0x04) && in.need(4)) extra = in.dword();
        units.clear();
        for (std::uint16_t i = 0; i < cch; ++i) {
            if (in.atBoundary()) {
                if (!in.need(1)) break;
                flags = in.byte();
            }
            const bool wide = flags & 1;
            if (!in.need(wide ? 2 : 1)) fail("its shared string table is damaged");
            units.push_back(wide ? in.word() : in.byte());
        }
        in.skip(std::size_t{4} * runs);
        in.skip(extra);
        const std::size_t before = m_sharedText.size();
        appendUtf16(m_sharedText, units);
        checkCellText(m_sharedText.size() - before, m_sharedText.data() + before);
        if (static_cast<std::int64_t>(m_sharedText.size()) > limits::kMaxSharedStringBytes)
            fail("its shared string table holds more than " +
                 std::to_string(limits::kMaxSharedStringBytes / (1024 * 1024)) + " MB of text");
        m_sharedOffsets.push_back(static_cast<std::uint32_t>(m_sharedText.size()));
    }
}

bool XlsReader::startWorksheet(std::uint32_t offset) {
    // The sheet's BOF says worksheet (or dialog sheet: its WSBOOL says which) or something else.
    if (gsf_input_seek(m_stream, offset, G_SEEK_SET)) fail("its first worksheet lies outside the workbook stream");
    if (!readRecord() || m_type != kBof || m_record.size() < 4) fail("its first worksheet is damaged");
    if (u16(m_record.data() + 2) != 0x0010) return false;
    const gsf_off_t start = gsf_input_tell(m_stream);
    bool dialog = false;
    while (readRecord()) {
        if (m_type == kWsBool) {
            dialog = m_record.size() >= 1 && (m_record[0] & 0x10);
            break;
        }
        if (m_type == kEof || m_type == kBof || m_type == kNumber || m_type == kLabelSst || m_type == kLabel ||
            m_type == kRk || m_type == kMulRk || m_type == kFormula)
            break;
    }
    if (dialog) return false;
    gsf_input_seek(m_stream, start, G_SEEK_SET);
    m_depth = 1;
    return true;
}

bool XlsReader::isDate(int xf) const {
    return xf >= 0 && static_cast<std::size_t>(xf) < m_xfIsDate.size() && m_xfIsDate[static_cast<std::size_t>(xf)];
}

double XlsReader::rkValue(std::uint32_t rk) const {
    double value;
    if (rk & 2)
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    else
        value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
    return (rk & 1) ? value / 100 : value;
}

void XlsReader::queueCell(int row, int column, int xf, Cell::Kind kind, double number, std::string text) {
    PendingCell pending;
    pending.row = row;
    pending.column = column;
    if (kind == Cell::Kind::Number && isDate(xf)) {
        kind = Cell::Kind::Date;
        if (m_date1904) number += 1462;
    }
    pending.cell.kind = kind;
    pending.cell.number = number;
    pending.cell.text = std::move(text);
    m_queue.push_back(std::move(pending));
}

bool XlsReader::nextCell() {
    // Decodes records until at least one cell is queued; false at the end of the sheet.
    while (m_queueNext >= m_queue.size()) {
        m_queue.clear();
        m_queueNext = 0;
        if (m_sheetEnded || !readRecord()) {
            m_sheetEnded = true;
            return false;
        }
        const std::uint8_t* data = m_record.data();
        const std::size_t size = m_record.size();
        if (m_type == kBof) {
            ++m_depth;
            continue;
        }
        if (m_type == kEof) {
            if (--m_depth == 0) m_sheetEnded = true;
            continue;
        }
        if (m_depth != 1) continue;
        if (m_type == kString) {
            if (m_formulaString && size >= (m_biff5 ? 2u : 3u)) {
                m_formulaString = false;
                queueCell(m_formula.row, m_formula.column, -1, Cell::Kind::Text, 0,
                          m_biff5 ? byteString(0, 2) : unicodeString(data, size, 0));
            }
            continue;
        }
        if (m_type == kUncalced) {
            m_uncalculated = true;
            continue;
        }
        if (m_type == kSaveRecalc) {
            if (size >= 2 && u16(data) == 0) m_uncalculated = true;
            continue;
        }
        // A STRING belongs to the FORMULA before it; only the records of a shared or array formula may come between.
        if (m_type != kShrFmla && m_type != kArray && m_type != kTable && m_type != kContinue) m_formulaString = false;
        if (size < 6) continue;
        const int row = u16(data);
        const int column = u16(data + 2);
        const int xf = u16(data + 4);
        switch (m_type) {
        case kNumber:
            if (size >= 14) queueCell(row, column, xf, Cell::Kind::Number, f64(data + 6));
            break;
        case kRk:
            if (size >= 10) queueCell(row, column, xf, Cell::Kind::Number, rkValue(u32(data + 6)));
            break;
        case kMulRk:
            for (std::size_t at = 4, c = static_cast<std::size_t>(column); at + 6 <= size - 2; at += 6, ++c)
                queueCell(row, static_cast<int>(c), u16(data + at), Cell::Kind::Number, rkValue(u32(data + at + 2)));
            break;
        case kLabelSst:
            if (size >= 10 && !m_biff5) {
                const std::uint32_t index = u32(data + 6);
                if (static_cast<std::size_t>(index) + 1 >= m_sharedOffsets.size()) // index 0xFFFFFFFF must not wrap
                    fail("a cell refers to shared string " + std::to_string(index) + ", which does not exist");
                queueCell(
                    row, column, xf, Cell::Kind::Text, 0,
                    m_sharedText.substr(m_sharedOffsets[index], m_sharedOffsets[index + 1] - m_sharedOffsets[index]));
            }
            break;
        case kLabel:
        case kRString:
            if (m_biff5 && size >= 8)
                queueCell(row, column, xf, Cell::Kind::Text, 0, byteString(6, 2));
            else if (!m_biff5 && size >= 9)
                queueCell(row, column, xf, Cell::Kind::Text, 0, unicodeString(data, size, 6));
            break;
        case kBoolErr:
            if (size >= 8) {
                if (data[7])
                    queueCell(row, column, xf, Cell::Kind::Error, 0, errorText(data[6]));
                else
                    queueCell(row, column, xf, Cell::Kind::Boolean, data[6] ? 1 : 0);
            }
            break;
        case kFormula:
            // The cached result: a number, or (marked by 0xFFFF in its last two bytes) text that follows in a STRING
            // record, a boolean, an error or an empty text.
            if (size >= 14) {
                if (u16(data + 12) != 0xFFFF) {
                    queueCell(row, column, xf, Cell::Kind::Number, f64(data + 6));
                } else if (data[6] == 0) {
                    m_formulaString = true;
                    m_formula.row = row;
                    m_formula.column = column;
                } else if (data[6] == 1) {
                    queueCell(row, column, xf, Cell::Kind::Boolean, data[8] ? 1 : 0);
                } else if (data[6] == 2) {
                    queueCell(row, column, xf, Cell::Kind::Error, 0, errorText(data[8]));
                } else if (data[6] == 3 && m_uncalculated) {
                    queueCell(row, column, xf, Cell::Kind::Uncalculated, 0);
                }
            }
            break;
        default:
            break;
        }
    }
    return true;
}

bool XlsReader::readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) {
    cells.clear();
    if (m_queueNext >= m_queue.size() && !nextCell()) return false;
    const int row = m_queue[m_queueNext].row;
    std::int64_t rowBytes = 0;
    do {
        PendingCell& pending = m_queue[m_queueNext++];
        checkCellText(pending.cell.text);
        addRowBytes(rowBytes, pending.cell.text.size());
        Cell& cell = cellAt(cells, pending.column + 1);
        cell = std::move(pending.cell);
    } while ((m_queueNext < m_queue.size() || nextCell()) && m_queue[m_queueNext].row == row);
    rowNumber = row + 1;
    return true;
}

} // namespace sheets
