#pragma once
// Display formats and report functions that voucher printing adds to the number formats of
// cells: Chinese upper-case amounts ("[大写]", "[大写角整]", "[人民币大写]") and digit columns
// ("[金额线N]", "[金额线N￥]", N from 3 to 16), and the carried totals `SumPrev and `SumCarry.
// One table lists them, so the template editor can offer them after the design's items; the
// runtime, the cell measurement and the painter read a format through ParseAmountFormat.
#include <QByteArray>
#include <QList>
#include <QString>

namespace karvell {

enum class AmountStyle {
    None,           // any other format: a number format of its own
    Upper,          // "[大写]"
    UpperJiaoZheng, // "[大写角整]": 整 also after an amount ending at 角
    UpperRmb,       // "[人民币大写]": prefix 人民币
    DigitColumns,   // "[金额线N]" / "[金额线N￥]"
};

inline constexpr int MIN_DIGIT_COLUMNS = 3;
inline constexpr int MAX_DIGIT_COLUMNS = 16;

struct AmountFormat {
    AmountStyle style = AmountStyle::None;
    int columns = 0;       // DigitColumns: N as written (valid only from 3 to 16)
    bool yuanSign = false; // DigitColumns: "￥" before the highest digit
    bool ValidColumns() const {
        return style == AmountStyle::DigitColumns && columns >= MIN_DIGIT_COLUMNS &&
               columns <= MAX_DIGIT_COLUMNS;
    }
    bool IsUpperCase() const {
        return style == AmountStyle::Upper || style == AmountStyle::UpperJiaoZheng ||
               style == AmountStyle::UpperRmb;
    }
};

// Reads a cell's display format (GBK bytes). Only a format that is exactly one of the forms
// above has a style; everything else is AmountStyle::None. Cheap for ordinary formats.
AmountFormat ParseAmountFormat(const QByteArray& gbkFormat);

// True when a cell with this format draws its text one character per column: a value, a total
// or a literal text (亿千百十万千百十元角分); a placeholder or function of a template is drawn as
// usual. A text of "#" only is an overflow shown in every column.
bool SpreadsInColumns(const AmountFormat& format, const QByteArray& gbkText);

// The additions offered by the template editor, in the order it lists them after the design's
// items: display formats for its number-format box, function texts (after the backquote) for
// its function box.
const QList<QString>& ExtraDisplayFormats();
const QList<QString>& ExtraFunctions();

} // namespace karvell
