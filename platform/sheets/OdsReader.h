#pragma once

#include "platform/sheets/SheetReader.h"
#include "platform/sheets/XmlScanner.h"
#include "platform/sheets/ZipArchive.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sheets {

// OpenDocument spreadsheet (ods). Streams content.xml through XmlScanner, resolving the namespaces it uses itself,
// and reads its first table. Repeated rows and cells are expanded only where they hold a value, so the usual trailing
// repeat of a million empty rows costs nothing.
class OdsReader : public SheetReader {
public:
    OdsReader(std::unique_ptr<ZipArchive> zip, const std::string& path);
    ~OdsReader() override;

protected:
    bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) override;

private:
    // The namespaces the reader acts on; every other is Other.
    enum class Ns : std::uint8_t { Other, Table, Office, Text, Style, Number, CalcExt };
    // A prefix bound to a namespace, by the element at depth (the default namespace has the empty prefix).
    struct Binding {
        std::string prefix;
        Ns ns;
        int depth;
    };

    void startElement(Ns ns, std::string_view local);
    void endElement(Ns ns, std::string_view local);
    void bindPrefixes();
    Ns namespaceOf(std::string_view qualified, bool isAttribute) const;
    // The value of the current start tag's attribute ns:local; false when it has none.
    bool attribute(Ns ns, std::string_view local, std::string_view& value);
    void collectText();

    void startCell();
    void finishCell();
    void appendText(const char* data, std::size_t length);

    std::unique_ptr<ZipArchive> m_zip;
    std::unique_ptr<XmlScanner> m_scanner;
    std::vector<Binding> m_bindings; // innermost last; only those of the namespaces above, and their shadows
    int m_depth = 0;
    std::string m_text; // text of the cell's paragraphs read up to the current tag
    bool m_collecting = false;
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
