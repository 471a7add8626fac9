#include "platform/sheets/XlsxReader.h"

#include "platform/sheets/Limits.h"
#include "platform/sheets/NumberFormats.h"
#include "platform/sheets/OoxmlEscapes.h"
#include "platform/sheets/ReadError.h"
#include "platform/sheets/XmlNames.h"
#include "platform/sheets/XmlPartParser.h"
#include "platform/sheets/ZipEntryStream.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

namespace sheets {

namespace {

// Text collected for one cell before it is refused: enough for the longest allowed cell in any UTF-8.
constexpr std::size_t kTextLimit = static_cast<std::size_t>(limits::kMaxCellChars) * 4;

// The small parts are read with handlers made of lambdas.
class CallbackHandler : public XmlPartParser::Handler {
public:
    std::function<void(const char*, const char**)> start = [](const char*, const char**) {};
    std::function<void(const char*)> end = [](const char*) {};
    std::function<void(const char*, int)> text = [](const char*, int) {};
    void startElement(const char* name, const char** attributes) override { start(name, attributes); }
    void endElement(const char* name) override { end(name); }
    void characters(const char* data, int length) override { text(data, length); }
};

// "AB12" -> 28 (saturating past the largest column); 0 when there are no letters.
std::int64_t columnOfReference(std::string_view ref) {
    std::int64_t column = 0;
    for (const char c : ref) {
        int letter;
        if (c >= 'A' && c <= 'Z')
            letter = c - 'A' + 1;
        else if (c >= 'a' && c <= 'z')
            letter = c - 'a' + 1;
        else
            break;
        column = column * 26 + letter;
        if (column > limits::kMaxColumns) column = limits::kMaxColumns + 1;
    }
    return column;
}

// Decimal digits, saturating; -1 when there are none.
std::int64_t parseCount(std::string_view text) {
    std::int64_t value = 0;
    bool any = false;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        any = true;
        if (value < (std::int64_t{1} << 40)) value = value * 10 + (c - '0');
    }
    return any ? value : -1;
}

// Resolves a relationship target against the folder of the part that names it; absolute targets start at the root.
std::string resolveTarget(const std::string& folder, const std::string& target) {
    std::string joined = !target.empty() && target.front() == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find('/', start);
        if (slash == std::string::npos) slash = joined.size();
        const std::string part = joined.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string result;
    for (const auto& part : parts)
        result += (result.empty() ? "" : "/") + part;
    return result;
}

// The worksheet's elements the reader acts on, told apart without comparing strings for every tag.
enum class Tag { Other, C, V, Is, F, T, Row, Phonetic, SheetData };

Tag tagOf(std::string_view name) {
    switch (name.size()) {
    case 1:
        switch (name[0]) {
        case 'c':
            return Tag::C;
        case 'v':
            return Tag::V;
        case 'f':
            return Tag::F;
        case 't':
            return Tag::T;
        default:
            return Tag::Other;
        }
    case 2:
        return name[0] == 'i' && name[1] == 's' ? Tag::Is : Tag::Other;
    case 3:
        return name == "row" ? Tag::Row : name == "rPh" ? Tag::Phonetic : Tag::Other;
    case 9:
        return name == "sheetData" ? Tag::SheetData : Tag::Other;
    default:
        return Tag::Other;
    }
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool endsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    const std::string_view end = text.substr(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != tail[i]) return false;
    return true;
}

struct Relationship {
    std::string id;
    std::string type;
    std::string target; // the part's name in the zip, resolved
};

// The relationships of a part (or of the package, for "_rels/.rels"), targets resolved against folder; none when
// the part has no relationships part.
std::vector<Relationship> relationshipsOf(const ZipArchive& zip, const std::string& rels, const std::string& folder) {
    std::vector<Relationship> result;
    if (!zip.contains(rels)) return result;
    CallbackHandler handler;
    handler.start = [&](const char* name, const char** attributes) {
        if (!xml::is(name, "Relationship")) return;
        const char* id = xml::attribute(attributes, "Id");
        const char* target = xml::attribute(attributes, "Target");
        const char* type = xml::attribute(attributes, "Type");
        const char* mode = xml::attribute(attributes, "TargetMode");
        if (!target || (mode && std::strcmp(mode, "External") == 0)) return;
        result.push_back({id ? id : "", type ? type : "", resolveTarget(folder, target)});
    };
    XmlPartParser::parseDocument(zip.read(rels), zip.path(), rels, handler, false);
    return result;
}

// "xl/workbook.xml" -> "xl/"; "workbook.xml" -> "".
std::string folderOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Where a part's relationships are: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relationshipsPart(const std::string& part) {
    return folderOf(part) + "_rels/" + part.substr(folderOf(part).size()) + ".rels";
}

} // namespace

std::string XlsxReader::workbookPart(const ZipArchive& zip) {
    std::string main;
    for (const auto& relationship : relationshipsOf(zip, "_rels/.rels", ""))
        if (endsWith(relationship.type, "/officeDocument")) {
            main = relationship.target;
            break;
        }
    if (main.empty() && zip.contains("xl/workbook.xml")) main = "xl/workbook.xml";
    if (endsWithNoCase(main, ".bin") || (main.empty() && zip.contains("xl/workbook.bin")))
        cannotRead(zip.path(), "it is an Excel binary workbook (.xlsb), which is not read; open it in a spreadsheet "
                               "program, save it as .xlsx and import that file");
    // A word-processing document or a presentation has a main part too: only a workbook is read.
    if (main.empty() || !zip.contains(main) || !endsWithNoCase(main, ".xml")) return {};
    bool isWorkbook = false;
    CallbackHandler root;
    bool first = true;
    root.start = [&](const char* name, const char**) {
        if (first) isWorkbook = xml::is(name, "workbook");
        first = false;
    };
    XmlPartParser::parseDocument(zip.read(main), zip.path(), main, root, false);
    return isWorkbook ? main : std::string();
}

XlsxReader::XlsxReader(std::unique_ptr<ZipArchive> zip, const std::string& path, const std::string& workbookPart)
    : SheetReader(path), m_zip(std::move(zip)) {
    readWorkbook(workbookPart);
    try {
        startSheet();
    } catch (...) {
        tableErrorFirst();
        throw;
    }
}

void XlsxReader::tableErrorFirst() {
    // A file damaged in both its shared strings and its sheet is refused for the strings, whichever part the reader
    // meets first: the same message every time.
    if (m_sharedStrings) m_sharedStrings->finish();
}

XlsxReader::~XlsxReader() = default;

void XlsxReader::readWorkbook(const std::string& part) {
    // The first worksheet is the first <sheet> of the workbook whose relationship is a worksheet's: chart sheets,
    // dialog sheets and macro sheets hold no participants.
    std::vector<std::string> sheetIds;
    CallbackHandler workbook;
    workbook.start = [&](const char* name, const char** attributes) {
        const char* local = xml::localName(name);
        if (std::strcmp(local, "sheet") == 0) {
            const char* id = xml::attribute(attributes, "id");
            sheetIds.emplace_back(id ? id : "");
        } else if (std::strcmp(local, "workbookPr") == 0) {
            const char* date1904 = xml::attribute(attributes, "date1904");
            m_date1904 = date1904 && (std::strcmp(date1904, "1") == 0 || std::strcmp(date1904, "true") == 0);
        }
    };
    XmlPartParser::parseDocument(m_zip->read(part), path(), part, workbook, false);

    const std::string rels = relationshipsPart(part);
    const std::vector<Relationship> relationships = relationshipsOf(*m_zip, rels, folderOf(part));
    std::string stylesPart, sharedStringsPart;
    for (const auto& relationship : relationships) {
        if (endsWith(relationship.type, "/styles"))
            stylesPart = relationship.target;
        else if (endsWith(relationship.type, "/sharedStrings"))
            sharedStringsPart = relationship.target;
    }
    if (sheetIds.empty()) fail("the workbook has no worksheet");
    if (!m_zip->contains(rels)) {
        // A package without the workbook's relationships: the usual name of the first sheet's part.
        const std::string guess = folderOf(part) + "worksheets/sheet1.xml";
        if (!m_zip->contains(guess)) fail("the workbook's first worksheet is missing");
        m_sheetPart = guess;
    } else {
        for (const std::string& id : sheetIds) {
            const auto it = std::find_if(relationships.begin(), relationships.end(),
                                         [&](const Relationship& r) { return r.id == id; });
            if (it == relationships.end()) fail("the workbook names a sheet that it does not hold");
            if (!endsWith(it->type, "/worksheet")) continue;
            if (!m_zip->contains(it->target)) fail("the workbook's first worksheet is missing");
            m_sheetPart = it->target;
            break;
        }
        if (m_sheetPart.empty()) fail("the workbook has no worksheet");
    }

    if (stylesPart.empty() && m_zip->contains(folderOf(part) + "styles.xml"))
        stylesPart = folderOf(part) + "styles.xml";
    if (sharedStringsPart.empty() && m_zip->contains(folderOf(part) + "sharedStrings.xml"))
        sharedStringsPart = folderOf(part) + "sharedStrings.xml";
    if (!stylesPart.empty() && m_zip->contains(stylesPart)) readStyles(stylesPart);
    if (!sharedStringsPart.empty() && m_zip->contains(sharedStringsPart))
        m_sharedStrings = std::make_unique<SharedStrings>(path(), sharedStringsPart);
}

void XlsxReader::readStyles(const std::string& part) {
    // A cell shows a date when its cellXfs entry has a date number format, built in or custom.
    std::map<int, bool> customIsDate;
    std::vector<int> xfFormats;
    bool inCellXfs = false;
    CallbackHandler styles;
    styles.start = [&](const char* name, const char** attributes) {
        const char* local = xml::localName(name);
        if (std::strcmp(local, "numFmt") == 0) {
            const char* id = xml::attribute(attributes, "numFmtId");
            const char* code = xml::attribute(attributes, "formatCode");
            if (id && code && customIsDate.size() < static_cast<std::size_t>(limits::kMaxCellFormats))
                customIsDate[static_cast<int>(parseCount(id))] = numfmt::isDateFormatCode(code);
        } else if (std::strcmp(local, "cellXfs") == 0) {
            inCellXfs = true;
        } else if (inCellXfs && std::strcmp(local, "xf") == 0) {
            if (xfFormats.size() >= static_cast<std::size_t>(limits::kMaxCellFormats))
                fail("it has more than " + std::to_string(limits::kMaxCellFormats) + " cell formats");
            const char* id = xml::attribute(attributes, "numFmtId");
            xfFormats.push_back(id ? static_cast<int>(std::min<std::int64_t>(parseCount(id), 1 << 30)) : 0);
        }
    };
    styles.end = [&](const char* name) {
        if (xml::is(name, "cellXfs")) inCellXfs = false;
    };
    XmlPartParser::parseDocument(m_zip->read(part), path(), part, styles, false);
    m_xfIsDate.reserve(xfFormats.size());
    for (int id : xfFormats) {
        const auto custom = customIsDate.find(id);
        m_xfIsDate.push_back(custom != customIsDate.end() ? custom->second : numfmt::isDateFormatId(id));
    }
}

void XlsxReader::startSheet() {
    m_scanner = std::make_unique<XmlScanner>(m_zip->openStream(m_sheetPart, true), path(), m_sheetPart);
    // Up to <sheetData>: what comes before it (<dimension> among it) says nothing the rows do not.
    while (!m_inSheetData && !m_sheetEnded) {
        const XmlScanner::Token token = m_scanner->next();
        if (token == XmlScanner::Token::Eof)
            m_sheetEnded = true;
        else if (token == XmlScanner::Token::Start)
            startElement();
    }
}

void XlsxReader::startElement() {
    std::string_view value;
    switch (tagOf(m_scanner->name())) {
    case Tag::C: {
        if (!m_cells) return;
        const std::int64_t column = m_scanner->attribute("r", value) ? columnOfReference(value) : 0;
        m_column = column > 0 ? column : m_column + 1;
        m_type = 'n';
        if (m_scanner->attribute("t", value)) {
            if (value == "s")
                m_type = 's';
            else if (value == "inlineStr")
                m_type = 'i';
            else if (value == "str")
                m_type = 'f';
            else if (value == "b")
                m_type = 'b';
            else if (value == "e")
                m_type = 'e';
            else if (value == "d")
                m_type = 'd';
        }
        m_isDate = false;
        if (m_scanner->attribute("s", value)) {
            const std::int64_t s = parseCount(value);
            m_isDate = s >= 0 && s < static_cast<std::int64_t>(m_xfIsDate.size()) && m_xfIsDate[s];
        }
        m_hasFormula = false;
        m_hasV = false;
        m_hasInline = false;
        m_inInline = false;
        m_inPhonetic = false;
        m_text.clear();
        break;
    }
    case Tag::V:
        // An inline string's text is its value; a <v> beside it (some writers add one) is not part of it.
        if (m_cells && !(m_type == 'i' && m_hasInline)) {
            m_hasV = true;
            m_textDepth = 1;
            m_scanner->collectText(&m_text, kTextLimit);
        }
        break;
    case Tag::Is:
        if (m_cells) {
            if (m_type == 'i' && m_hasV) m_text.clear(); // the <v> came first
            m_hasInline = true;
            m_inInline = true;
        }
        break;
    case Tag::F:
        if (m_cells) m_hasFormula = true;
        break;
    case Tag::T:
        if (m_inInline && !m_inPhonetic) {
            m_textDepth = 1;
            m_scanner->collectText(&m_text, kTextLimit);
        }
        break;
    case Tag::Row:
        if (m_inSheetData) {
            const std::int64_t number = m_scanner->attribute("r", value) ? parseCount(value) : -1;
            m_rowNumber = number > 0 ? number : m_rowNumber + 1;
            checkRowNumber(m_rowNumber, limits::kMaxRows);
            m_column = 0;
            m_rowBytes = 0;
        }
        break;
    case Tag::Phonetic:
        m_inPhonetic = true;
        break;
    case Tag::SheetData:
        m_inSheetData = true;
        break;
    case Tag::Other:
        break;
    }
}

void XlsxReader::endElement() {
    switch (tagOf(m_scanner->name())) {
    case Tag::V:
    case Tag::T:
        if (m_textDepth) {
            m_textDepth = 0;
            m_scanner->collectText(nullptr);
            if (m_text.size() > static_cast<std::size_t>(limits::kMaxCellChars) * 4) checkCellText(m_text);
        }
        break;
    case Tag::C:
        if (m_cells) finishCell();
        break;
    case Tag::Is:
        m_inInline = false;
        break;
    case Tag::Row:
        if (m_cells) m_rowEnded = true;
        break;
    case Tag::Phonetic:
        m_inPhonetic = false;
        break;
    case Tag::SheetData:
        m_sheetEnded = true;
        break;
    case Tag::F:
    case Tag::Other:
        break;
    }
}

void XlsxReader::finishCell() {
    if (m_hasFormula) {
        // A formula's result is its <v>; one saved without it (or with an empty one, as openpyxl writes) was never
        // calculated. Only a text result may be empty.
        const bool result = m_type == 'i' ? m_hasInline || m_hasV : m_hasV && (m_type == 'f' || !m_text.empty());
        if (!result) {
            Cell& cell = cellAt(*m_cells, m_column);
            cell.kind = Cell::Kind::Uncalculated;
            cell.text.clear();
            return;
        }
    }
    if (!m_hasV && !m_hasInline) return;
    Cell::Kind kind = Cell::Kind::Text;
    double number = 0;
    std::string_view text = m_text;
    switch (m_type) {
    case 's': {
        if (m_text.empty()) return; // <v/>: no string, an empty cell
        const std::int64_t index = parseCount(m_text);
        if (!m_sharedStrings || !m_sharedStrings->find(index, text, m_scratch))
            fail("a cell refers to shared string " + std::to_string(index) + ", which does not exist");
        break;
    }
    case 'i':
        decodeOoxmlEscapes(m_text);
        text = m_text;
        break;
    case 'f':
        break;
    case 'b':
        kind = Cell::Kind::Boolean;
        number = m_text == "1" || m_text == "true" ? 1 : 0;
        break;
    case 'e':
        kind = Cell::Kind::Error;
        break;
    case 'd':
        if (numfmt::parseIsoDateTime(m_text, number)) kind = Cell::Kind::Date;
        break;
    default:
        if (m_text.empty()) return;
        if (numfmt::parseNumber(m_text, number)) {
            kind = m_isDate ? Cell::Kind::Date : Cell::Kind::Number;
            if (m_isDate && m_date1904) number += 1462;
        }
        break;
    }
    if (kind == Cell::Kind::Text && text.empty()) return; // a formula's "" shows nothing
    checkCellText(text.size(), text.data());
    Cell& cell = cellAt(*m_cells, m_column);
    cell.kind = kind;
    cell.number = number;
    if (kind == Cell::Kind::Text || kind == Cell::Kind::Error) {
        addRowBytes(m_rowBytes, text.size());
        cell.text.assign(text);
    }
}

bool XlsxReader::readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) {
    cells.clear();
    m_cells = &cells;
    m_rowEnded = false;
    try {
        while (!m_rowEnded && !m_sheetEnded) {
            const XmlScanner::Token token = m_scanner->next();
            if (token == XmlScanner::Token::Start)
                startElement();
            else if (token == XmlScanner::Token::End)
                endElement();
            else
                m_sheetEnded = true;
        }
    } catch (...) {
        m_cells = nullptr;
        tableErrorFirst();
        throw;
    }
    m_cells = nullptr;
    if (!m_rowEnded) {
        // The table's damage past the last string the sheet used still refuses the file.
        if (m_sharedStrings) m_sharedStrings->finish();
        return false;
    }
    rowNumber = m_rowNumber;
    return true;
}

} // namespace sheets
