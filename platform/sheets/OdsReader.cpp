#include "platform/sheets/OdsReader.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/NumberFormats.h"
#include "platform/sheets/XmlNames.h"
#include "platform/sheets/ZipEntryStream.h"

#include <algorithm>
#include <cstring>

namespace sheets {

namespace {

constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kNumber = "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0";
constexpr std::string_view kCalcExt = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

// With namespace processing names arrive as "<uri> <local>".
bool isName(const char* name, std::string_view ns, std::string_view local) {
    const std::size_t length = std::strlen(name);
    return length == ns.size() + 1 + local.size() && std::memcmp(name, ns.data(), ns.size()) == 0 &&
           name[ns.size()] == ' ' && std::memcmp(name + ns.size() + 1, local.data(), local.size()) == 0;
}

const char* attribute(const char** attributes, std::string_view ns, std::string_view local) {
    for (const char** a = attributes; *a; a += 2)
        if (isName(a[0], ns, local)) return a[1];
    return nullptr;
}

constexpr const char* kPasswordProtected =
    "it is a password-protected spreadsheet, which is not read; open it in a spreadsheet program, save it without "
    "a password as .xlsx and import that file";

// A repeat count: at least 1, saturating far beyond any limit.
std::int64_t repeatCount(const char* text) {
    if (!text) return 1;
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = std::min<std::int64_t>(value * 10 + (*text - '0'), std::int64_t{1} << 40);
    return std::max<std::int64_t>(value, 1);
}

} // namespace

OdsReader::OdsReader(std::unique_ptr<ZipArchive> zip, const std::string& path)
    : SheetReader(path), m_zip(std::move(zip)) {
    // With a password, content.xml is encrypted; the manifest says how.
    if (m_zip->contains("META-INF/manifest.xml") &&
        m_zip->read("META-INF/manifest.xml").find("encryption-data") != std::string::npos)
        fail(kPasswordProtected);
    if (!m_zip->contains("content.xml")) fail("the spreadsheet has no content.xml");
    m_parser = std::make_unique<XmlPartParser>(m_zip->openStream("content.xml", true), path, "content.xml",
                                               static_cast<XmlPartParser::Handler&>(*this), true);
}

OdsReader::~OdsReader() = default;

void OdsReader::startElement(const char* name, const char** attributes) {
    if (m_sheetEnded) return;
    if (isName(name, kTable, "table")) {
        ++m_tableDepth;
        return;
    }
    if (m_tableDepth == 0) {
        // The automatic styles come before the tables.
        if (m_cellDataStyles.size() + m_booleanStyles.size() >= static_cast<std::size_t>(limits::kMaxCellFormats))
            return;
        if (isName(name, kStyle, "style")) {
            const char* styleName = attribute(attributes, kStyle, "name");
            const char* dataStyle = attribute(attributes, kStyle, "data-style-name");
            if (styleName && dataStyle) m_cellDataStyles[styleName] = dataStyle;
        } else if (isName(name, kNumber, "boolean-style")) {
            if (const char* styleName = attribute(attributes, kStyle, "name")) m_booleanStyles.insert(styleName);
        }
        return;
    }
    if (m_tableDepth != 1) return;
    if (m_inCell) {
        if (m_annotationDepth > 0 || isName(name, kOffice, "annotation")) {
            ++m_annotationDepth;
        } else if (isName(name, kText, "p") || isName(name, kText, "h")) {
            if (m_paragraphDepth == 0 && m_paragraphs++ > 0) appendText("\n", 1);
            ++m_paragraphDepth;
            m_parser->setWantCharacters(true);
        } else if (m_paragraphDepth > 0 && isName(name, kText, "s")) {
            const std::int64_t count = repeatCount(attribute(attributes, kText, "c"));
            const std::string spaces(static_cast<std::size_t>(std::min<std::int64_t>(count, limits::kMaxCellChars + 1)),
                                     ' ');
            appendText(spaces.data(), spaces.size());
            checkCellText(m_cell.text);
        } else if (m_paragraphDepth > 0 && isName(name, kText, "tab")) {
            appendText("\t", 1);
        } else if (m_paragraphDepth > 0 && isName(name, kText, "line-break")) {
            appendText("\n", 1);
        }
        return;
    }
    if (isName(name, kTable, "table-row")) {
        m_rowRepeat = repeatCount(attribute(attributes, kTable, "number-rows-repeated"));
        m_row.clear();
        m_rowBytes = 0;
        m_rowHasValue = false;
        m_column = 0;
    } else if (isName(name, kTable, "table-cell") || isName(name, kTable, "covered-table-cell")) {
        startCell(attributes);
    }
}

void OdsReader::startCell(const char** attributes) {
    m_inCell = true;
    m_columnRepeat = repeatCount(attribute(attributes, kTable, "number-columns-repeated"));
    m_cell.kind = Cell::Kind::Empty;
    m_cell.text.clear();
    m_cell.number = 0;
    m_paragraphs = 0;
    m_paragraphDepth = 0;
    m_annotationDepth = 0;
    m_hasStringValue = false;
    m_maybeBoolean = false;
    const char* type = attribute(attributes, kOffice, "value-type");
    m_valueType = type ? type : "";
    const char* calcType = attribute(attributes, kCalcExt, "value-type");
    m_calcError = calcType && std::strcmp(calcType, "error") == 0;

    const char* value = nullptr;
    if (m_calcError) {
        // A formula's error: its text (#DIV/0!) is in the paragraph.
    } else if (m_valueType == "float" || m_valueType == "percentage" || m_valueType == "currency") {
        value = attribute(attributes, kOffice, "value");
        if (value && numfmt::parseNumber(value, m_cell.number)) {
            m_cell.kind = Cell::Kind::Number;
            // A boolean formula result is stored as 0 or 1: shown as TRUE/FALSE by its cell style's data style,
            // or, without one, by the result type that only the paragraph ("TRUE") still tells.
            m_maybeBoolean = (m_cell.number == 0 || m_cell.number == 1) && attribute(attributes, kTable, "formula");
            const char* style = attribute(attributes, kTable, "style-name");
            if (style && !m_booleanStyles.empty()) {
                const auto data = m_cellDataStyles.find(style);
                if (data != m_cellDataStyles.end() && m_booleanStyles.count(data->second)) {
                    m_cell.kind = Cell::Kind::Boolean;
                    m_cell.number = m_cell.number != 0 ? 1 : 0;
                    m_maybeBoolean = false;
                }
            }
        }
    } else if (m_valueType == "date") {
        value = attribute(attributes, kOffice, "date-value");
        if (value && numfmt::parseIsoDateTime(value, m_cell.number)) m_cell.kind = Cell::Kind::Date;
    } else if (m_valueType == "time") {
        value = attribute(attributes, kOffice, "time-value");
        if (value && numfmt::parseIsoDuration(value, m_cell.number) && m_cell.number >= 0)
            m_cell.kind = Cell::Kind::Date;
    } else if (m_valueType == "boolean") {
        value = attribute(attributes, kOffice, "boolean-value");
        if (value) {
            m_cell.kind = Cell::Kind::Boolean;
            m_cell.number = std::strcmp(value, "true") == 0 || std::strcmp(value, "1") == 0 ? 1 : 0;
        }
    } else if (m_valueType == "string") {
        // A formula's text result is in office:string-value; typed text is in the paragraphs.
        value = attribute(attributes, kOffice, "string-value");
        if (value) {
            m_hasStringValue = true;
            m_cell.kind = Cell::Kind::Text;
            m_cell.text = value;
            checkCellText(m_cell.text);
        }
    }
}

void OdsReader::appendText(const char* data, std::size_t length) {
    if (m_hasStringValue || (m_cell.kind != Cell::Kind::Empty && !m_maybeBoolean))
        return; // the value attribute already gave the cell
    if (m_maybeBoolean && m_cell.text.size() + length > 5) {
        m_maybeBoolean = false;
        m_cell.text.clear();
        return;
    }
    m_cell.text.append(data, length);
    if (m_cell.text.size() > static_cast<std::size_t>(limits::kMaxCellChars) * 4) checkCellText(m_cell.text);
}

void OdsReader::characters(const char* data, int length) {
    if (m_paragraphDepth > 0 && m_annotationDepth == 0) appendText(data, static_cast<std::size_t>(length));
}

void OdsReader::finishCell() {
    m_inCell = false;
    m_parser->setWantCharacters(false);
    if (m_maybeBoolean) {
        if (m_cell.text == "TRUE" || m_cell.text == "FALSE") m_cell.kind = Cell::Kind::Boolean;
        m_cell.text.clear();
        m_maybeBoolean = false;
    }
    if (m_cell.kind == Cell::Kind::Empty && (m_paragraphs > 0 || m_hasStringValue)) {
        // Text, or a value whose attribute was missing or unreadable: keep what the cell shows.
        if (!m_cell.text.empty() || m_valueType == "string")
            m_cell.kind = m_calcError ? Cell::Kind::Error : Cell::Kind::Text;
    }
    checkCellText(m_cell.text);
    if (m_cell.kind == Cell::Kind::Empty) {
        m_column = std::min<std::int64_t>(m_column + m_columnRepeat, std::int64_t{1} << 40);
        return;
    }
    if (m_column + m_columnRepeat > limits::kMaxColumns)
        fail("it has more than " + std::to_string(limits::kMaxColumns) + " columns");
    for (std::int64_t i = 0; i < m_columnRepeat; ++i) {
        addRowBytes(m_rowBytes, m_cell.text.size());
        cellAt(m_row, ++m_column) = m_cell;
    }
    m_rowHasValue = true;
}

void OdsReader::endElement(const char* name) {
    if (m_sheetEnded) return;
    if (isName(name, kTable, "table")) {
        if (--m_tableDepth == 0) {
            m_sheetEnded = true;
            m_parser->suspend();
        }
        return;
    }
    if (m_tableDepth != 1) return;
    if (m_inCell) {
        if (m_annotationDepth > 0) {
            --m_annotationDepth;
        } else if (isName(name, kText, "p") || isName(name, kText, "h")) {
            --m_paragraphDepth;
        } else if (isName(name, kTable, "table-cell") || isName(name, kTable, "covered-table-cell")) {
            finishCell();
        }
        return;
    }
    if (isName(name, kTable, "table-row")) {
        if (!m_rowHasValue) {
            // Empty rows only move the row number on; the reader fills them in if a row with a value follows.
            m_rowNumber = std::min<std::int64_t>(m_rowNumber + m_rowRepeat, std::int64_t{1} << 40);
            return;
        }
        checkRowNumber(m_rowNumber + m_rowRepeat, limits::kMaxRows);
        m_repeatLeft = m_rowRepeat;
        m_rowEnded = true;
        m_parser->suspend();
    }
}

bool OdsReader::readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) {
    if (m_repeatLeft == 0) {
        m_rowEnded = false;
        while (!m_rowEnded && !m_sheetEnded)
            if (!m_parser->parse()) m_sheetEnded = true;
        if (!m_rowEnded) return false;
    }
    --m_repeatLeft;
    if (m_repeatLeft == 0)
        cells.swap(m_row);
    else
        cells = m_row;
    rowNumber = ++m_rowNumber;
    return true;
}

} // namespace sheets
