#pragma once
// Number display formats of cells: up to three sections "positive;negative;zero" with the
// digit positions "0" and "#", a decimal point, thousands separators, scientific notation and
// literal text, applied to field values and totals when the runtime fills cells.
#include <QByteArray>
#include <QString>

#include "format/decimal.h"

namespace karvell {

// Formats `value` with a display format given as GBK bytes. An empty format gives the general
// form (shortest decimal with up to 15 significant digits). Parsed formats are cached, so
// calling this for every record is cheap.
// The digits formatted are the value's shortest decimal form, so 12345678901234.56 in "0,.00"
// keeps its cents. The voucher formats of format/amountformat.h give upper-case amounts and
// digit-column texts; `overflow` (when given) tells that a digit-column value cannot be shown
// in its columns (or the format's column count is outside 3 to 16).
QString FormatFloat(const QByteArray& gbkFormat, double value, bool* overflow = nullptr);
// The same for an exact decimal (a total).
QString FormatDecimal(const QByteArray& gbkFormat, const DecimalValue& value,
                      bool* overflow = nullptr);

} // namespace karvell
