#pragma once

#include <string_view>

// How the readers tell dates from plain numbers and turn written dates into serial day numbers.
namespace sheets::numfmt {

// Built-in number formats (xlsx numFmtId, xls ifmt) that show a date or time: 14-22, 27-36, 45-47, 50-58.
bool isDateFormatId(int id);
// A format code shows a date or time when it has y, m, d, h or s outside quotes, brackets and escapes.
bool isDateFormatCode(std::string_view code);

// Serial day number in the 1900 date system (with the phantom 29 February 1900) of a calendar date.
double serialFromDate(int year, int month, int day);
// "2024-01-15", "2024-01-15T10:30:00.5", "-0001-..." is refused. False when the text is not such a date.
bool parseIsoDateTime(std::string_view text, double& serial);
// ISO 8601 duration as ods writes times: "PT10H30M00S", "PT36H", "-PT1H". Fraction of a day.
bool parseIsoDuration(std::string_view text, double& days);

// Plain decimal number as the files write them ("12", "-1.5E-3"); false for anything else.
bool parseNumber(std::string_view text, double& value);

} // namespace sheets::numfmt
