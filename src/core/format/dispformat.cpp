#include "format/dispformat.h"

#include <QHash>
#include <QVector>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "format/amounttext.h"
#include "platform/gbk.h"
#include "runtime/dataset.h"

namespace karvell {
namespace {

// A non-negative value as decimal digits: value = 0.d[0]d[1]… × 10^point, taken from the
// value's exact decimal form (the shortest form of a double), so that a later rounding sees the
// digits the user entered (2.675, not the binary 2.67499…); zero has no digits.
struct Digits {
    char d[48];
    int len = 0;
    int point = 0;
};

Digits ToDigits(const DecimalValue& v) {
    Digits x;
    // 40 digits keep every exact total; beyond that only rounding noise would be cut.
    x.len = int(std::min<qsizetype>(v.digits.size(), 40));
    std::memcpy(x.d, v.digits.constData(), size_t(x.len));
    x.point = x.len > 0 ? v.point : 0;
    return x;
}

// Keeps the first `keep` digits, rounding half away from zero (on the magnitude).
void RoundTo(Digits& x, int keep) {
    if (keep >= x.len) return;
    if (keep < 0) {
        x.len = 0;
        x.point = 0;
        return;
    }
    const bool up = x.d[keep] >= '5';
    x.len = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && x.d[i] == '9')
            x.d[i--] = '0';
        if (i >= 0) {
            ++x.d[i];
        } else {
            std::memmove(x.d + 1, x.d, size_t(x.len));
            x.d[0] = '1';
            ++x.len;
            ++x.point;
        }
    }
    while (x.len > 0 && x.d[x.len - 1] == '0')
        --x.len;
    if (x.len == 0) x.point = 0;
}

char DigitAt(const Digits& x, int index) {
    return index >= 0 && index < x.len ? x.d[index] : '0';
}

struct Token {
    enum Kind { Literal, IntDigit, FracDigit, Point, Exponent } kind;
    int index = 0; // placeholder number from the left (integer or fraction part)
    QString text;  // literal text
};

struct Section {
    bool empty = true;
    QVector<Token> tokens;
    int intCount = 0;  // integer digit positions
    int minInt = 0;    // integer digits always printed (from the first "0" to the point)
    int fracCount = 0; // digit positions after the point
    int minFrac = 0;   // decimals always printed (up to the last "0")
    bool hasPoint = false;
    bool thousands = false;
    bool scientific = false;
    bool expSignAlways = false; // "E+" prints "+", "E-" only "-"
    QChar expChar;
    int expDigits = 0;
};

struct Format {
    Section sections[3];
    int count = 0;
};

void AddLiteral(Section& s, QStringView text) {
    if (text.isEmpty()) return;
    if (!s.tokens.isEmpty() && s.tokens.last().kind == Token::Literal)
        s.tokens.last().text += text;
    else
        s.tokens.append(Token{Token::Literal, 0, text.toString()});
}

Section ParseSection(QStringView src) {
    Section s;
    s.empty = src.isEmpty();
    int firstIntZero = -1;
    bool afterExponent = false;
    for (qsizetype i = 0; i < src.size(); ++i) {
        const QChar c = src[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype end = src.indexOf(c, i + 1);
            if (end < 0) end = src.size();
            AddLiteral(s, src.mid(i + 1, end - i - 1));
            i = end;
        } else if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && !afterExponent) {
            if (s.hasPoint) {
                if (c == QLatin1Char('0')) s.minFrac = s.fracCount + 1;
                s.tokens.append(Token{Token::FracDigit, s.fracCount++, {}});
            } else {
                if (c == QLatin1Char('0') && firstIntZero < 0) firstIntZero = s.intCount;
                s.tokens.append(Token{Token::IntDigit, s.intCount++, {}});
            }
        } else if (c == QLatin1Char('.') && !s.hasPoint && !afterExponent) {
            s.hasPoint = true;
            s.tokens.append(Token{Token::Point, 0, {}});
        } else if (c == QLatin1Char(',')) {
            s.thousands = true;
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && !afterExponent &&
                   i + 2 < src.size() &&
                   (src[i + 1] == QLatin1Char('+') || src[i + 1] == QLatin1Char('-')) &&
                   src[i + 2] == QLatin1Char('0')) {
            s.scientific = true;
            afterExponent = true;
            s.expChar = c;
            s.expSignAlways = src[i + 1] == QLatin1Char('+');
            i += 2;
            while (i < src.size() && src[i] == QLatin1Char('0')) {
                ++s.expDigits;
                ++i;
            }
            --i;
            s.tokens.append(Token{Token::Exponent, 0, {}});
        } else {
            AddLiteral(s, src.mid(i, 1));
        }
    }
    s.minInt = firstIntZero < 0 ? 0 : s.intCount - firstIntZero;
    return s;
}

Format ParseFormat(const QString& text) {
    Format f;
    qsizetype start = 0;
    QChar quote;
    for (qsizetype i = 0; i <= text.size() && f.count < 3; ++i) {
        if (i < text.size() && !quote.isNull()) {
            if (text[i] == quote) quote = QChar();
        } else if (i < text.size() &&
                   (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            quote = text[i];
        } else if (i == text.size() || text[i] == QLatin1Char(';')) {
            f.sections[f.count++] = ParseSection(QStringView(text).mid(start, i - start));
            start = i + 1;
        }
    }
    return f;
}

const Format& CachedFormat(const QByteArray& gbk) {
    thread_local QHash<QByteArray, std::shared_ptr<const Format>> cache;
    auto it = cache.constFind(gbk);
    if (it != cache.constEnd()) return **it;
    if (cache.size() >= 256) cache.clear();
    auto parsed = std::make_shared<const Format>(ParseFormat(Gbk::Decode(gbk)));
    return *cache.insert(gbk, parsed).value();
}

// Renders |value| with one section; `isZero` tells whether it rounded to zero.
QString Render(const Section& s, const DecimalValue& magnitude, bool* isZero) {
    Digits x = ToDigits(magnitude);
    int intLen = 0;   // number of integer digits of the value
    int fracFrom = 0; // index in x.d of the first decimal
    int fracPrinted = 0;
    int exponent = 0;
    if (s.scientific) {
        const int intPlaces = std::max(s.intCount, 1);
        RoundTo(x, intPlaces + s.fracCount);
        if (x.len > 0) {
            exponent = x.point - intPlaces;
            intLen = intPlaces;
        }
        fracFrom = intPlaces;
        fracPrinted = std::max(s.minFrac, std::clamp(x.len - intPlaces, 0, s.fracCount));
    } else {
        RoundTo(x, x.point + s.fracCount);
        intLen = std::max(x.point, 0);
        fracFrom = x.point;
        fracPrinted = std::max(s.minFrac, std::clamp(x.len - x.point, 0, s.fracCount));
    }
    *isZero = x.len == 0;
    const int required = s.scientific ? std::max(s.minInt, intLen) : s.minInt;
    const int n = std::max(intLen, required); // integer digits to print
    const bool groups = s.thousands && !s.scientific;

    QString out;
    out.reserve(n + n / 3 + fracPrinted + 16);
    auto putInt = [&](int pos) { // digit at position pos (0 = units)
        out += QLatin1Char(pos < intLen ? DigitAt(x, intLen - 1 - pos) : '0');
        if (groups && pos > 0 && pos % 3 == 0) out += QLatin1Char(',');
    };
    auto putAllInt = [&]() {
        for (int pos = n - 1; pos >= 0; --pos)
            putInt(pos);
    };
    bool intDone = false;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Token::Literal:
            out += t.text;
            break;
        case Token::IntDigit: {
            const int pos = s.intCount - 1 - t.index;
            if (t.index == 0) // digits beyond the positions go to the first one
                for (int p = n - 1; p > pos; --p)
                    putInt(p);
            if (pos < n) putInt(pos);
            intDone = true;
            break;
        }
        case Token::Point:
            if (!intDone) { // no integer positions: the integral digits still show
                putAllInt();
                intDone = true;
            }
            if (fracPrinted > 0) out += QLatin1Char('.');
            break;
        case Token::FracDigit:
            if (t.index < fracPrinted) out += QLatin1Char(DigitAt(x, fracFrom + t.index));
            break;
        case Token::Exponent: {
            if (!intDone) {
                putAllInt();
                intDone = true;
            }
            out += s.expChar;
            if (exponent < 0)
                out += QLatin1Char('-');
            else if (s.expSignAlways)
                out += QLatin1Char('+');
            const QString e = QString::number(std::abs(exponent));
            if (e.size() < s.expDigits) out += QString(s.expDigits - e.size(), QLatin1Char('0'));
            out += e;
            break;
        }
        }
    }
    return out;
}

} // namespace

QString FormatFloat(const QByteArray& gbkFormat, double value, bool* overflow) {
    if (overflow) *overflow = false;
    if (!std::isfinite(value)) return FloatToStr(value);
    return FormatDecimal(gbkFormat, DecimalValue::FromDouble(value), overflow);
}

QString FormatDecimal(const QByteArray& gbkFormat, const DecimalValue& value, bool* overflow) {
    if (overflow) *overflow = false;
    if (gbkFormat.isEmpty()) return value.GeneralText(); // the general form
    const AmountFormat amount = ParseAmountFormat(gbkFormat);
    if (amount.style != AmountStyle::None) {
        qint64 cents = 0;
        const bool inCents = value.ToCents(&cents);
        if (amount.IsUpperCase()) {
            // Beyond 9999亿 there are no units left: the general form in digits.
            if (!inCents || std::abs(cents) > MAX_UPPER_CASE_CENTS) return value.GeneralText();
            return UpperCaseAmount(cents, amount.style);
        }
        QString text = inCents ? DigitColumnText(cents, amount.yuanSign) : QString();
        if (overflow)
            *overflow = !amount.ValidColumns() || !inCents || text.size() > amount.columns;
        return text;
    }
    const Format& f = CachedFormat(gbkFormat);
    const int wanted = value.IsZero() ? 2 : (value.negative ? 1 : 0);
    auto pick = [&f](int i) { return i < f.count && !f.sections[i].empty ? i : 0; };
    int index = pick(wanted);
    if (f.sections[index].empty) return value.GeneralText(); // the general form
    DecimalValue magnitude = value;
    magnitude.negative = false;
    bool isZero = false;
    QString text = Render(f.sections[index], magnitude, &isZero);
    if (isZero && wanted != 2) {
        // A value that rounds to zero is shown as zero, without a sign.
        const int zeroIndex = pick(2);
        if (zeroIndex != index) text = Render(f.sections[zeroIndex], DecimalValue(), &isZero);
        return text;
    }
    if (value.negative && index == 0) text.prepend(QLatin1Char('-'));
    return text;
}

} // namespace karvell
