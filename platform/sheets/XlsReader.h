#pragma once

#include "platform/sheets/CodePage.h"
#include "platform/sheets/SheetReader.h"

#include <cstdint>
#include <string>
#include <vector>

struct _GsfInput;
struct _GsfInfile;

namespace sheets {

// Excel 97-2003 workbook (BIFF8), and Excel 5.0/95 workbook (BIFF5: 8-bit text in the workbook's code page, no
// shared strings). libgsf opens the OLE2 container; the records of the workbook stream are read here, because the
// cached results of formulas (FORMULA and STRING records) are part of what the operator sees. The sheet is streamed
// record by record; only the shared strings and the cell formats are held.
class XlsReader : public SheetReader {
public:
    explicit XlsReader(const std::string& path);
    ~XlsReader() override;

protected:
    bool readStoredRow(std::int64_t& rowNumber, std::vector<Cell>& cells) override;

private:
    struct PendingCell {
        int row = 0;
        int column = 0;
        Cell cell;
    };

    bool readRecord();
    void openWorkbookStream();
    void readGlobals();
    void readSharedStrings();
    bool startWorksheet(std::uint32_t offset);
    std::string byteString(std::size_t offset, std::size_t lengthBytes);
    bool nextCell();
    void queueCell(int row, int column, int xf, Cell::Kind kind, double number, std::string text = {});
    double rkValue(std::uint32_t rk) const;
    bool isDate(int xf) const;

    _GsfInput* m_file = nullptr;
    _GsfInfile* m_ole = nullptr;
    _GsfInput* m_stream = nullptr;

    std::uint16_t m_type = 0;
    std::vector<std::uint8_t> m_record;
    bool m_biff5 = false;
    CodePage m_codePage;

    bool m_date1904 = false;
    std::vector<std::uint8_t> m_xfIsDate;
    std::string m_sharedText;
    std::vector<std::uint32_t> m_sharedOffsets;

    int m_depth = 0; // nesting of BOF/EOF inside the sheet (embedded charts)
    // The sheet was saved without being calculated (UNCALCED, or SAVERECALC off, as script libraries write it): a
    // formula's "empty text" result then only says that no result was stored.
    bool m_uncalculated = false;
    bool m_sheetEnded = false;
    std::vector<PendingCell> m_queue; // cells decoded but not yet handed out (MULRK gives several)
    std::size_t m_queueNext = 0;
    bool m_formulaString = false; // a FORMULA waits for its STRING record
    PendingCell m_formula;
};

} // namespace sheets
