#pragma once
// The texts of the voucher amount formats, computed in whole cents: the Chinese upper-case
// amount of the rules for bills and settlement vouchers, and the digit string of a digit-column
// cell.
#include <QString>

#include "format/amountformat.h"

namespace karvell {

// Upper-case amounts reach 9999亿 (integer part below 10^12).
inline constexpr qint64 MAX_UPPER_CASE_CENTS = 100'000'000'000'000LL - 1;

// "壹万陆仟肆佰零玖元零贰分" for 1640902 cents; style Upper, UpperJiaoZheng or UpperRmb.
// Empty when |cents| exceeds MAX_UPPER_CASE_CENTS.
QString UpperCaseAmount(qint64 cents, AmountStyle style);

// The characters of a digit-column cell: the cents without separators, "￥" (when asked) and a
// minus sign before the highest digit; empty for zero.
QString DigitColumnText(qint64 cents, bool yuanSign);

} // namespace karvell
