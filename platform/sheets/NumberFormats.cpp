#include "platform/sheets/NumberFormats.h"

#include <QDate>
#include <cctype>
#include <charconv>
#include <cmath>

namespace sheets::numfmt {

bool isDateFormatId(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool isDateFormatCode(std::string_view code) {
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        switch (c) {
        case '"': {
            const std::size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            i = end;
            break;
        }
        case '[': {
            const std::size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) return false;
            // Elapsed time ([h], [mm], [ss]) is a time; colours and locales ([Red], [$-409]) are not.
            const std::string_view inside = code.substr(i + 1, end - i - 1);
            if (!inside.empty() && (inside.find_first_not_of("hH") == std::string_view::npos ||
                                    inside.find_first_not_of("mM") == std::string_view::npos ||
                                    inside.find_first_not_of("sS") == std::string_view::npos))
                return true;
            i = end;
            break;
        }
        case '\\': // escaped literal
        case '_':  // space as wide as the next character
        case '*':  // fill with the next character
            ++i;
            break;
        default:
            switch (std::tolower(static_cast<unsigned char>(c))) {
            case 'y':
            case 'm':
            case 'd':
            case 'h':
            case 's':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

double serialFromDate(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid()) return -1;
    const qint64 days = QDate(1899, 12, 30).daysTo(date);
    // Before 1 March 1900 the spreadsheet serials are one lower, having counted a 29 February that was not.
    return static_cast<double>(days < 61 ? days - 1 : days);
}

namespace {

bool digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

bool parseIsoDateTime(std::string_view text, double& serial) {
    int year = 0, month = 0, day = 0;
    if (!digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day))
        return false;
    const double date = serialFromDate(year, month, day);
    if (date < 0) return false;
    double fraction = 0;
    if (text.size() > 10) {
        int hour = 0, minute = 0;
        if (text[10] != 'T' || !digits(text, 11, 2, hour) || text.size() < 16 || text[13] != ':' ||
            !digits(text, 14, 2, minute))
            return false;
        double second = 0;
        std::size_t pos = 16;
        if (pos < text.size() && text[pos] == ':') {
            const char* begin = text.data() + pos + 1;
            const char* end = text.data() + text.size();
            // Seconds may carry a fraction; a zone suffix (Z, +07:00) is left as local time.
            const char* stop = begin;
            while (stop < end && (std::isdigit(static_cast<unsigned char>(*stop)) || *stop == '.'))
                ++stop;
            if (std::from_chars(begin, stop, second).ec != std::errc()) return false;
        }
        if (hour > 24 || minute > 59 || second >= 61) return false;
        fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    }
    serial = date + fraction;
    return true;
}

bool parseIsoDuration(std::string_view text, double& days) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() < 2 || text[0] != 'P') return false;
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    std::size_t i = 1;
    while (i < text.size()) {
        if (text[i] == 'T') {
            inTime = true;
            ++i;
            continue;
        }
        double value = 0;
        const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr == text.data() + text.size() || value < 0) return false;
        const char unit = *result.ptr;
        if (unit == 'D' && !inTime)
            seconds += value * 86400;
        else if (unit == 'H' && inTime)
            seconds += value * 3600;
        else if (unit == 'M' && inTime)
            seconds += value * 60;
        else if (unit == 'S' && inTime)
            seconds += value;
        else
            return false;
        any = true;
        i = static_cast<std::size_t>(result.ptr - text.data()) + 1;
    }
    if (!any) return false;
    days = (negative ? -seconds : seconds) / 86400.0;
    return true;
}

bool parseNumber(std::string_view text, double& value) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

} // namespace sheets::numfmt
