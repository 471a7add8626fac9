#include "platform/sheets/CodePage.h"

#include "platform/sheets/Utf8.h"

namespace sheets {

namespace {

// Windows-1252 0x80-0x9F; the five unassigned bytes map to the same code points, as Windows does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The converter's name for a Windows code page; empty for Windows-1252 and its stand-ins.
const char* converterName(int number) {
    switch (number) {
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 852:
        return "IBM852";
    case 866:
        return "IBM866";
    case 10000:
    case 32768: // what Excel writes for Mac Roman
        return "macintosh";
    default: // 1252, 32769 (Excel's Windows-1252), 367 (ASCII), 1200 (UTF-16, whose 8-bit strings are Latin-1)
        return "";
    }
}

} // namespace

CodePage::CodePage(int number) {
    const char* name = converterName(number);
    if (*name) m_decoder = QStringDecoder(name, QStringConverter::Flag::Stateless);
}

void CodePage::append(std::string& out, const char* data, std::size_t length) {
    if (!m_decoder.isValid()) {
        appendWindows1252(out, data, length);
        return;
    }
    const QString text = m_decoder.decode(QByteArrayView(data, static_cast<qsizetype>(length)));
    out += text.toStdString();
}

void CodePage::appendWindows1252(std::string& out, const char* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        const std::uint32_t code = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
        appendUtf8(out, code);
    }
}

} // namespace sheets
