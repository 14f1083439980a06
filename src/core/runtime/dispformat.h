#pragma once
// Number display formats of cells: up to three sections "positive;negative;zero" with the
// digit positions "0" and "#", a decimal point, thousands separators, scientific notation and
// literal text, applied to field values and totals when the runtime fills cells.
#include <QByteArray>
#include <QString>

namespace karvell {

// Formats `value` with a display format given as GBK bytes. An empty format gives the general
// form (shortest decimal with up to 15 significant digits). Parsed formats are cached, so
// calling this for every record is cheap.
QString FormatFloat(const QByteArray& gbkFormat, double value);

} // namespace karvell
