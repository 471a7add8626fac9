#pragma once

#include "platform/sheets/SheetReader.h"
#include "platform/sheets/XmlPartParser.h"
#include "platform/sheets/ZipArchive.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sheets {

// OpenDocument spreadsheet (ods). Streams content.xml and reads its first table. Repeated rows and cells are
// expanded only where they hold a value, so the usual trailing repeat of a million empty rows costs nothing.
class OdsReader : public SheetReader, private XmlPartParser::Handler {
public:
    OdsReader(std::unique_ptr<ZipArchive> zip, const std::string& path);
    ~OdsReader() override;

protected:
    bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) override;

private:
    void startElement(const char* name, const char** attributes) override;
    void endElement(const char* name) override;
    void characters(const char* data, int length) override;

    void startCell(const char** attributes);
    void finishCell();
    void appendText(const char* data, std::size_t length);

    std::unique_ptr<ZipArchive> m_zip;
    std::unique_ptr<XmlPartParser> m_parser;
    // Formula results that are booleans are stored as numbers whose cell style shows them as TRUE/FALSE.
    std::unordered_map<std::string, std::string> m_cellDataStyles; // cell style -> data style
    std::unordered_set<std::string> m_booleanStyles;               // data styles that show booleans

    int m_tableDepth = 0; // 1 inside the first table; more inside a table nested in a cell
    bool m_sheetEnded = false;
    bool m_rowEnded = false;

    std::vector<Cell> m_row;
    std::int64_t m_rowNumber = 0; // number of the last row read (stored or repeated)
    std::int64_t m_rowRepeat = 1;
    std::int64_t m_repeatLeft = 0; // further copies of m_row still to hand out
    std::int64_t m_rowBytes = 0;
    bool m_rowHasValue = false;
    std::int64_t m_column = 0; // columns used so far in the row

    bool m_inCell = false;
    std::int64_t m_columnRepeat = 1;
    Cell m_cell;
    std::string m_valueType;
    bool m_calcError = false;
    bool m_hasStringValue = false;
    bool m_maybeBoolean = false; // a formula's 0 or 1 that may show as TRUE or FALSE
    int m_paragraphs = 0;
    int m_paragraphDepth = 0;
    int m_annotationDepth = 0;
};

} // namespace sheets
