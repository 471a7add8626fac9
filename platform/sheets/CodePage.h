#pragma once

#include <QStringDecoder>
#include <cstddef>
#include <string>

namespace sheets {

// 8-bit text in a Windows code page, turned into UTF-8: the CSV files and Excel 5.0/95 workbooks of Windows keep
// their text that way. Windows-1252 is built in (it is the default of both); other code pages go through Qt's
// converters, and one Qt cannot convert falls back to Windows-1252.
class CodePage {
public:
    // The Windows code page number, as an Excel workbook's CODEPAGE record gives it.
    explicit CodePage(int number = 1252);

    void append(std::string& out, const char* data, std::size_t length);
    static void appendWindows1252(std::string& out, const char* data, std::size_t length);

private:
    QStringDecoder m_decoder; // invalid for Windows-1252
};

} // namespace sheets
