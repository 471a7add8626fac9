#include "platform/sheets/OdsReader.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/NumberFormats.h"
#include "platform/sheets/ZipEntryStream.h"

#include <algorithm>

namespace sheets {

namespace {

constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kNumber = "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0";
constexpr std::string_view kCalcExt = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

constexpr const char* kPasswordProtected =
    "it is a password-protected spreadsheet, which is not read; open it in a spreadsheet program, save it without "
    "a password as .xlsx and import that file";

// A document binds a few dozen prefixes, nearly all on its root; more than this many that matter here is a file made
// to make every name's lookup slow.
constexpr std::size_t kMaxBindings = 1000;

// Text collected between two tags before it is refused: enough for the longest allowed cell in any UTF-8.
constexpr std::size_t kTextLimit = static_cast<std::size_t>(limits::kMaxCellChars) * 4;

// A repeat count: at least 1, saturating far beyond any limit.
std::int64_t repeatCount(std::string_view text) {
    std::int64_t value = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{1} << 40);
    return std::max<std::int64_t>(value, 1);
}

// Names are a few characters long: a plain loop beats the library's call, which would run for every tag.
bool same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

} // namespace

OdsReader::OdsReader(std::unique_ptr<ZipArchive> zip, const std::string& path)
    : SheetReader(path), m_zip(std::move(zip)) {
    // With a password, content.xml is encrypted; the manifest says how.
    if (m_zip->contains("META-INF/manifest.xml") &&
        m_zip->read("META-INF/manifest.xml").find("encryption-data") != std::string::npos)
        fail(kPasswordProtected);
    if (!m_zip->contains("content.xml")) fail("the spreadsheet has no content.xml");
    m_scanner = std::make_unique<XmlScanner>(m_zip->openStream("content.xml", true), path, "content.xml");
}

OdsReader::~OdsReader() = default;

void OdsReader::bindPrefixes() {
    // xmlns="uri" binds the default namespace, xmlns:p="uri" the prefix p, for the element and what it holds. Only
    // the namespaces read here are kept, and any binding that hides one of them.
    for (std::size_t i = 0; i < m_scanner->attributeCount(); ++i) {
        const std::string_view name = m_scanner->attributeName(i);
        if (name.substr(0, 5) != "xmlns" || (name.size() > 5 && name[5] != ':')) continue;
        const std::string_view prefix = name.size() > 5 ? name.substr(6) : std::string_view();
        const std::string_view uri = m_scanner->attributeValue(i);
        Ns ns = Ns::Other;
        if (uri == kTable)
            ns = Ns::Table;
        else if (uri == kOffice)
            ns = Ns::Office;
        else if (uri == kText)
            ns = Ns::Text;
        else if (uri == kStyle)
            ns = Ns::Style;
        else if (uri == kNumber)
            ns = Ns::Number;
        else if (uri == kCalcExt)
            ns = Ns::CalcExt;
        const bool hides = std::any_of(m_bindings.begin(), m_bindings.end(),
                                       [&](const Binding& binding) { return same(binding.prefix, prefix); });
        if (ns == Ns::Other && !hides) continue;
        if (m_bindings.size() >= kMaxBindings)
            fail("its content binds more than " + std::to_string(kMaxBindings) + " namespace prefixes");
        m_bindings.push_back({std::string(prefix), ns, m_depth});
    }
}

OdsReader::Ns OdsReader::namespaceOf(std::string_view qualified, bool isAttribute) const {
    std::size_t colon = 0;
    while (colon < qualified.size() && qualified[colon] != ':')
        ++colon;
    // An attribute without a prefix is in no namespace; an element without one is in the default namespace.
    if (colon == qualified.size() && isAttribute) return Ns::Other;
    const std::string_view prefix = colon == qualified.size() ? std::string_view() : qualified.substr(0, colon);
    for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding)
        if (same(binding->prefix, prefix)) return binding->ns;
    return Ns::Other;
}

bool OdsReader::attribute(Ns ns, std::string_view local, std::string_view& value) {
    for (std::size_t i = 0; i < m_scanner->attributeCount(); ++i) {
        const std::string_view name = m_scanner->attributeName(i);
        if (name.size() <= local.size() || name[name.size() - local.size() - 1] != ':' ||
            !same(name.substr(name.size() - local.size()), local) || namespaceOf(name, true) != ns)
            continue;
        value = m_scanner->attributeValue(i);
        return true;
    }
    return false;
}

void OdsReader::collectText() {
    // Text reaches the cell between tags: a paragraph's text up to a <text:s/>, say, goes in before its spaces.
    if (!m_text.empty()) {
        appendText(m_text.data(), m_text.size());
        m_text.clear();
    }
    const bool wanted = m_inCell && m_paragraphDepth > 0 && m_annotationDepth == 0;
    if (wanted != m_collecting) {
        m_scanner->collectText(wanted ? &m_text : nullptr, kTextLimit);
        m_collecting = wanted;
    }
}

void OdsReader::startElement(Ns ns, std::string_view local) {
    if (ns == Ns::Table && local == "table") {
        ++m_tableDepth;
        return;
    }
    std::string_view value;
    if (m_tableDepth == 0) {
        // The automatic styles come before the tables.
        if (m_cellDataStyles.size() + m_booleanStyles.size() >= static_cast<std::size_t>(limits::kMaxCellFormats))
            return;
        if (ns == Ns::Style && local == "style") {
            if (!attribute(Ns::Style, "name", value)) return;
            const std::string styleName(value);
            if (attribute(Ns::Style, "data-style-name", value)) m_cellDataStyles[styleName] = std::string(value);
        } else if (ns == Ns::Number && local == "boolean-style") {
            if (attribute(Ns::Style, "name", value)) m_booleanStyles.insert(std::string(value));
        }
        return;
    }
    if (m_tableDepth != 1) return;
    if (m_inCell) {
        if (m_annotationDepth > 0 || (ns == Ns::Office && local == "annotation")) {
            ++m_annotationDepth;
        } else if (ns == Ns::Text && (local == "p" || local == "h")) {
            if (m_paragraphDepth == 0 && m_paragraphs++ > 0) appendText("\n", 1);
            ++m_paragraphDepth;
        } else if (m_paragraphDepth > 0 && ns == Ns::Text && local == "s") {
            const std::int64_t count = attribute(Ns::Text, "c", value) ? repeatCount(value) : 1;
            const std::string spaces(static_cast<std::size_t>(std::min<std::int64_t>(count, limits::kMaxCellChars + 1)),
                                     ' ');
            appendText(spaces.data(), spaces.size());
            checkCellText(m_cell.text);
        } else if (m_paragraphDepth > 0 && ns == Ns::Text && local == "tab") {
            appendText("\t", 1);
        } else if (m_paragraphDepth > 0 && ns == Ns::Text && local == "line-break") {
            appendText("\n", 1);
        }
        return;
    }
    if (ns != Ns::Table) return;
    if (local == "table-row") {
        m_rowRepeat = attribute(Ns::Table, "number-rows-repeated", value) ? repeatCount(value) : 1;
        m_row.clear();
        m_rowBytes = 0;
        m_rowHasValue = false;
        m_column = 0;
    } else if (local == "table-cell" || local == "covered-table-cell") {
        startCell();
    }
}

void OdsReader::startCell() {
    // Each attribute's value is used before the next is asked for: a value with an entity reference is decoded into
    // a buffer that the next one reuses.
    std::string_view value;
    m_inCell = true;
    m_columnRepeat = attribute(Ns::Table, "number-columns-repeated", value) ? repeatCount(value) : 1;
    m_cell.kind = Cell::Kind::Empty;
    m_cell.text.clear();
    m_cell.number = 0;
    m_paragraphs = 0;
    m_paragraphDepth = 0;
    m_annotationDepth = 0;
    m_hasStringValue = false;
    m_maybeBoolean = false;
    m_valueType = attribute(Ns::Office, "value-type", value) ? std::string(value) : std::string();
    m_calcError = attribute(Ns::CalcExt, "value-type", value) && value == "error";

    if (m_calcError) {
        // A formula's error: its text (#DIV/0!) is in the paragraph.
    } else if (m_valueType == "float" || m_valueType == "percentage" || m_valueType == "currency") {
        if (attribute(Ns::Office, "value", value) && numfmt::parseNumber(value, m_cell.number)) {
            m_cell.kind = Cell::Kind::Number;
            // A boolean formula result is stored as 0 or 1: shown as TRUE/FALSE by its cell style's data style,
            // or, without one, by the result type that only the paragraph ("TRUE") still tells.
            m_maybeBoolean = (m_cell.number == 0 || m_cell.number == 1) && attribute(Ns::Table, "formula", value);
            if (!m_booleanStyles.empty() && attribute(Ns::Table, "style-name", value)) {
                const auto data = m_cellDataStyles.find(std::string(value));
                if (data != m_cellDataStyles.end() && m_booleanStyles.count(data->second)) {
                    m_cell.kind = Cell::Kind::Boolean;
                    m_cell.number = m_cell.number != 0 ? 1 : 0;
                    m_maybeBoolean = false;
                }
            }
        }
    } else if (m_valueType == "date") {
        if (attribute(Ns::Office, "date-value", value) && numfmt::parseIsoDateTime(value, m_cell.number))
            m_cell.kind = Cell::Kind::Date;
    } else if (m_valueType == "time") {
        if (attribute(Ns::Office, "time-value", value) && numfmt::parseIsoDuration(value, m_cell.number) &&
            m_cell.number >= 0)
            m_cell.kind = Cell::Kind::Date;
    } else if (m_valueType == "boolean") {
        if (attribute(Ns::Office, "boolean-value", value)) {
            m_cell.kind = Cell::Kind::Boolean;
            m_cell.number = value == "true" || value == "1" ? 1 : 0;
        }
    } else if (m_valueType == "string") {
        // A formula's text result is in office:string-value; typed text is in the paragraphs.
        if (attribute(Ns::Office, "string-value", value)) {
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

void OdsReader::finishCell() {
    m_inCell = false;
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

void OdsReader::endElement(Ns ns, std::string_view local) {
    if (ns == Ns::Table && local == "table") {
        if (--m_tableDepth == 0) m_sheetEnded = true;
        return;
    }
    if (m_tableDepth != 1) return;
    if (m_inCell) {
        if (m_annotationDepth > 0) {
            --m_annotationDepth;
        } else if (ns == Ns::Text && (local == "p" || local == "h")) {
            --m_paragraphDepth;
        } else if (ns == Ns::Table && (local == "table-cell" || local == "covered-table-cell")) {
            finishCell();
        }
        return;
    }
    if (ns == Ns::Table && local == "table-row") {
        if (!m_rowHasValue) {
            // Empty rows only move the row number on; the reader fills them in if a row with a value follows.
            m_rowNumber = std::min<std::int64_t>(m_rowNumber + m_rowRepeat, std::int64_t{1} << 40);
            return;
        }
        checkRowNumber(m_rowNumber + m_rowRepeat, limits::kMaxRows);
        m_repeatLeft = m_rowRepeat;
        m_rowEnded = true;
    }
}

bool OdsReader::readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) {
    if (m_repeatLeft == 0) {
        m_rowEnded = false;
        // Nothing after the first table is read, so nothing after it can refuse the file.
        while (!m_rowEnded && !m_sheetEnded) {
            const XmlScanner::Token token = m_scanner->next();
            if (token == XmlScanner::Token::Eof) {
                m_sheetEnded = true;
                break;
            }
            collectText();
            if (token == XmlScanner::Token::Start) {
                ++m_depth;
                bindPrefixes();
                startElement(namespaceOf(m_scanner->qualifiedName(), false), m_scanner->name());
            } else {
                endElement(namespaceOf(m_scanner->qualifiedName(), false), m_scanner->name());
                while (!m_bindings.empty() && m_bindings.back().depth == m_depth)
                    m_bindings.pop_back();
                --m_depth;
            }
            collectText();
        }
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
