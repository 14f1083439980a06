#pragma once
// Numbers of produced cells for a spreadsheet: the value behind a formatted text and the
// spreadsheet number format that shows it as the page does.
#include <QByteArray>
#include <QString>
#include <optional>

namespace karvell {

struct XlsxNumber {
    double value = 0;
    QString format; // the spreadsheet's number format code
};

// The number a cell with the display format `gbkFormat` shows as `text`: read from the text and
// accepted only when formatting it again gives the very same text, so a text that merely looks
// like a number (a value of a text column) stays text. An empty format is the general form
// (a cell known to hold a number): the text must be the number's general text, and the
// spreadsheet's format stays general (empty). Digit columns ("[金额线N]") are the amount in
// yuan with "0.00"; upper-case amounts give nothing.
std::optional<XlsxNumber> NumberOfCell(const QString& text, const QByteArray& gbkFormat);

// The date (or date and time) a cell filled from a date column shows as `text` in the short date
// format `qtDateFormat` (date-times add " hh:mm:ss"): the spreadsheet's serial day number and a
// date format that shows it alike; nothing for a text that is no such date or a date before
// 1900-03-01 (the spreadsheet's serial days are off by one before it).
std::optional<XlsxNumber> DateOfCell(const QString& text, const QString& qtDateFormat);

// The spreadsheet format code for a display format: the same sections, digit positions,
// decimals and exponent; grouping written as "#,##0" (a "," elsewhere would scale by
// thousands in a spreadsheet) and every other character as quoted literal text.
QString ExcelNumberFormat(const QString& displayFormat);

} // namespace karvell
