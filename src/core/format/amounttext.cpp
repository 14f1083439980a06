#include "format/amounttext.h"

namespace karvell {

namespace {

const char16_t kDigits[] = u"零壹贰叁肆伍陆柒捌玖";
const char16_t kUnits[] = u"\0拾佰仟"; // within a group of four digits

QChar Digit(int d) {
    return QChar(kDigits[d]);
}

// The integer part (> 0): one 零 for each run of zeros between non-zero digits, also across
// the 万 and 亿 boundaries; a group of four zeros drops its unit; no 零 for zeros at the end.
QString IntegerPart(qint64 n) {
    int digits[12] = {};
    int count = 0;
    while (n > 0 && count < 12) {
        digits[count++] = int(n % 10);
        n /= 10;
    }
    QString out;
    bool zeroRun = false;
    for (int p = count - 1; p >= 0; --p) {
        const int d = digits[p];
        if (d == 0) {
            zeroRun = true;
        } else {
            if (zeroRun) out += Digit(0);
            zeroRun = false;
            out += Digit(d);
            if (p % 4 != 0) out += QChar(kUnits[p % 4]);
        }
        if (p % 4 == 0 && p > 0) {
            const bool groupUsed = digits[p] || digits[p + 1] || digits[p + 2] || digits[p + 3];
            if (groupUsed) out += p == 8 ? u'亿' : u'万';
        }
    }
    return out;
}

} // namespace

QString UpperCaseAmount(qint64 cents, AmountStyle style) {
    const bool negative = cents < 0;
    const qint64 magnitude = negative ? -cents : cents;
    if (magnitude > MAX_UPPER_CASE_CENTS) return QString();
    const qint64 integer = magnitude / 100;
    const int jiao = int(magnitude / 10 % 10);
    const int fen = int(magnitude % 10);

    QString out;
    if (style == AmountStyle::UpperRmb) out += QStringLiteral("人民币");
    if (negative) out += u'负';
    if (integer > 0)
        out += IntegerPart(integer) + u'元';
    else if (jiao == 0 && fen == 0)
        out += QStringLiteral("零元");
    if (jiao == 0 && fen == 0) return out + u'整';
    if (jiao > 0) {
        out += Digit(jiao);
        out += u'角';
    } else if (integer > 0) {
        out += Digit(0);
    }
    if (fen > 0) {
        out += Digit(fen);
        out += u'分';
    } else if (style == AmountStyle::UpperJiaoZheng) {
        out += u'整';
    }
    return out;
}

QString DigitColumnText(qint64 cents, bool yuanSign) {
    if (cents == 0) return QString();
    QString out;
    if (cents < 0) out += u'-';
    if (yuanSign) out += u'￥';
    // The magnitude's digits; -cents cannot overflow for the cents a format produces.
    out += QString::number(cents < 0 ? -cents : cents);
    return out;
}

} // namespace karvell
