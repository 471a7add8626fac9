#pragma once

#include "platform/sheets/SharedStrings.h"
#include "platform/sheets/SheetReader.h"
#include "platform/sheets/XmlScanner.h"
#include "platform/sheets/ZipArchive.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sheets {

// Office Open XML workbook (xlsx). Streams the first worksheet's part through XmlScanner (the small parts go through
// expat) while the shared strings are read beside it; holds only the shared strings and which cell formats are
// dates. Parts are found as the package's relationships lead to them, whatever they are named.
class XlsxReader : public SheetReader {
public:
    // The workbook part of an Office Open XML package (the main part its relationships name, or xl/workbook.xml
    // in a package without them); empty when the zip is no such package. Refuses a binary workbook (xlsb) by name.
    static std::string workbookPart(const ZipArchive& zip);

    XlsxReader(std::unique_ptr<ZipArchive> zip, const std::string& path, const std::string& workbookPart);
    ~XlsxReader() override;

protected:
    bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) override;

private:
    void startElement();
    void endElement();

    void readWorkbook(const std::string& part);
    void readStyles(const std::string& part);
    void startSheet();
    void finishCell();
    void tableErrorFirst();

    std::unique_ptr<ZipArchive> m_zip;
    std::string m_sheetPart;
    bool m_date1904 = false;
    std::vector<std::uint8_t> m_xfIsDate;
    std::unique_ptr<SharedStrings> m_sharedStrings;
    std::string m_scratch; // a shared string that lies across two of the table's blocks

    std::unique_ptr<XmlScanner> m_scanner;
    bool m_inSheetData = false;
    bool m_sheetEnded = false;

    // The row being read.
    std::vector<Cell>* m_cells = nullptr;
    std::int64_t m_rowNumber = 0;
    std::int64_t m_rowBytes = 0;
    bool m_rowEnded = false;
    // The cell being read.
    std::int64_t m_column = 0;
    char m_type = 'n'; // 'n' number, 's' shared, 'i' inline, 'f' formula string, 'b', 'e', 'd'
    bool m_isDate = false;
    bool m_hasFormula = false; // <f>
    bool m_hasV = false;       // <v>
    bool m_hasInline = false;  // <is>: for an inline string its text is the value, whatever <v> says
    int m_textDepth = 0;       // inside <v>, or <t> of an inline string outside phonetic runs
    bool m_inInline = false;
    bool m_inPhonetic = false;
    std::string m_text;
};

} // namespace sheets
