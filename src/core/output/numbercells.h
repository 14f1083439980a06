#pragma once
// Produced pages leave display formats out (the printed text is all a page needs), yet a
// spreadsheet wants the numbers behind the texts. The runtime can keep, beside each page, the
// cells that carry a number format or were filled from a numeric column or a total, so that an
// output reads their texts back as numbers, and those filled from a date column.
#include <QByteArray>
#include <QList>

namespace karvell {

struct TNumberCell {
    int line = 0;      // the line's place in the page
    int cell = 0;      // the cell's place in its line
    QByteArray format; // the cell's display format (GBK); empty: a number in the general form
    // Filled from a date column: the text is the date in the short date format, which
    // `format` then holds (Qt's date format syntax, UTF-8).
    bool date = false;
};
using TPageNumberCells = QList<TNumberCell>;

} // namespace karvell
