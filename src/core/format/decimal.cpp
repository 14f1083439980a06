#include "format/decimal.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace karvell {

namespace {

constexpr int kScale = 10;    // units of 10^-10
constexpr int kMaxPoint = 24; // magnitudes below 10^24 are held exactly

__int128 Pow10(int n) {
    __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// |value| in units, rounded half away from zero at the scale; false when too large.
bool ToUnits(const DecimalValue& v, __int128* units) {
    if (v.IsZero()) {
        *units = 0;
        return true;
    }
    if (v.point > kMaxPoint) return false;
    const int keep = v.point + kScale; // digits that reach the scale
    __int128 u = 0;
    for (int i = 0; i < keep && i < v.digits.size(); ++i)
        u = u * 10 + (v.digits[i] - '0');
    if (keep > v.digits.size()) u *= Pow10(keep - int(v.digits.size()));
    if (keep >= 0 && keep < v.digits.size() && v.digits[keep] >= '5') ++u;
    *units = v.negative ? -u : u;
    return true;
}

} // namespace

DecimalValue DecimalValue::FromDouble(double value) {
    DecimalValue out;
    if (value == 0 || !std::isfinite(value)) return out;
    char buf[64];
    // Shortest round-trip form: "d.ddde±xx".
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const char* p = buf;
    const char* end = res.ptr;
    out.negative = value < 0;
    while (p < end && *p != 'e') {
        if (*p >= '0' && *p <= '9') out.digits.append(*p);
        ++p;
    }
    int exponent = 0;
    if (p < end) std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    out.point = exponent + 1;
    while (!out.digits.isEmpty() && out.digits.back() == '0')
        out.digits.chop(1);
    if (out.digits.isEmpty()) out = DecimalValue();
    return out;
}

bool DecimalValue::FromText(QStringView text, DecimalValue* out) {
    text = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = text.size();
    DecimalValue v;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) v.negative = text[i++] == u'-';
    auto isDigit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
    int mantissaDigits = 0;
    int integerDigits = 0; // digits before the point, leading zeros left out
    for (; isDigit(i); ++i, ++mantissaDigits) {
        if (v.digits.isEmpty() && text[i] == u'0') continue;
        v.digits.append(char(text[i].unicode()));
        ++integerDigits;
    }
    int point = integerDigits;
    if (i < n && text[i] == u'.') {
        for (++i; isDigit(i); ++i, ++mantissaDigits) {
            if (v.digits.isEmpty() && text[i] == u'0') {
                --point; // 0.00d: the point moves left
                continue;
            }
            v.digits.append(char(text[i].unicode()));
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) negativeExponent = text[i++] == u'-';
        if (!isDigit(i)) return false;
        int exponent = 0;
        for (; isDigit(i); ++i) {
            exponent = exponent * 10 + (text[i].unicode() - u'0');
            if (exponent > 100000) return false; // beyond any amount: no number
        }
        point += negativeExponent ? -exponent : exponent;
    }
    if (i != n) return false;
    while (!v.digits.isEmpty() && v.digits.back() == '0')
        v.digits.chop(1);
    if (v.digits.isEmpty()) {
        *out = DecimalValue(); // zero, also "-0.00"
        return true;
    }
    // Beyond the range of any amount (and of a double, which an inexact total falls back on).
    if (point > 308 || point < -300) return false;
    v.point = point;
    *out = v;
    return true;
}

QString DecimalValue::GeneralText() const {
    if (IsZero()) return QStringLiteral("0");
    QByteArray d = digits;
    int p = point;
    const bool integer = p >= d.size();
    if (!integer || p > 20) {
        // 15 significant digits, rounded half away from zero.
        if (d.size() > 15) {
            const bool up = d[15] >= '5';
            d.truncate(15);
            if (up) {
                int k = 14;
                while (k >= 0 && d[k] == '9')
                    d[k--] = '0';
                if (k >= 0) {
                    ++d[k];
                } else {
                    d.prepend('1');
                    d.truncate(15);
                    ++p;
                }
            }
            while (d.size() > 1 && d.endsWith('0'))
                d.chop(1);
        }
    }
    QString out = negative ? QStringLiteral("-") : QString();
    const int n = int(d.size());
    if (p > 20 || (!integer && p > 15) || p < -3) {
        out += QChar(d[0]);
        if (n > 1) out += QLatin1Char('.') + QString::fromLatin1(d.mid(1));
        out += QLatin1Char('E') + QString::number(p - 1);
    } else if (p <= 0) {
        out += QStringLiteral("0.") + QString(-p, QLatin1Char('0')) + QString::fromLatin1(d);
    } else if (p >= n) {
        out += QString::fromLatin1(d) + QString(p - n, QLatin1Char('0'));
    } else {
        out += QString::fromLatin1(d.left(p)) + QLatin1Char('.') + QString::fromLatin1(d.mid(p));
    }
    return out;
}

double DecimalValue::ToDouble() const {
    if (IsZero()) return 0;
    // "0.<digits>e<point>", correctly rounded; on the stack, as totals convert every amount.
    char buf[96];
    char* end = buf;
    if (negative) *end++ = '-';
    *end++ = '0';
    *end++ = '.';
    const qsizetype kept = std::min<qsizetype>(digits.size(), 64);
    std::memcpy(end, digits.constData(), size_t(kept));
    end += kept;
    *end++ = 'e';
    end = std::to_chars(end, buf + sizeof buf, point).ptr;
    double value = 0;
    if (kept == digits.size()) {
        std::from_chars(buf, end, value);
        return value;
    }
    // Longer than any amount: the slow way keeps every digit.
    const QByteArray text = (negative ? "-0." : "0.") + digits + 'e' + QByteArray::number(point);
    return std::strtod(text.constData(), nullptr);
}

bool DecimalValue::ToCents(qint64* cents) const {
    if (IsZero()) {
        *cents = 0;
        return true;
    }
    if (point > 16) return false;
    const int keep = point + 2;
    qint64 c = 0;
    for (int i = 0; i < keep && i < digits.size(); ++i)
        c = c * 10 + (digits[i] - '0');
    for (int i = int(digits.size()); i < keep; ++i)
        c *= 10;
    if (keep >= 0 && keep < digits.size() && digits[keep] >= '5') ++c;
    if (c >= 10'000'000'000'000'000LL) return false;
    *cents = negative ? -c : c;
    return true;
}

void Total::Add(double value, int sign) {
    m_approx += sign * value;
    if (!m_exact) return;
    // Amounts in whole cents, the usual case: a value that is the double nearest to c / 100
    // has c / 100 as its shortest decimal form (below 10^13 two such decimals are further apart
    // than the doubles there), so the cents are the exact value.
    if (std::fabs(value) < 1e13) {
        const qint64 cents = std::llround(value * 100);
        if (double(cents) / 100 == value) {
            m_units += __int128(sign) * cents * 100'000'000;
            return;
        }
    }
    __int128 u = 0;
    if (!std::isfinite(value) || !ToUnits(DecimalValue::FromDouble(value), &u)) {
        m_exact = false;
        return;
    }
    m_units += sign * u;
}

void Total::Add(const DecimalValue& value, int sign) {
    m_approx += sign * value.ToDouble();
    if (!m_exact) return;
    __int128 u = 0;
    if (!ToUnits(value, &u)) {
        m_exact = false;
        return;
    }
    m_units += sign * u;
}

Total& Total::operator+=(const Total& other) {
    m_approx += other.m_approx;
    m_exact = m_exact && other.m_exact;
    m_units += other.m_units;
    return *this;
}

Total& Total::operator-=(const Total& other) {
    m_approx -= other.m_approx;
    m_exact = m_exact && other.m_exact;
    m_units -= other.m_units;
    return *this;
}

DecimalValue Total::Value() const {
    DecimalValue out;
    if (!m_exact) return DecimalValue::FromDouble(m_approx);
    if (m_units == 0) return out;
    __int128 u = m_units < 0 ? -m_units : m_units;
    QByteArray reversed;
    while (u > 0) {
        reversed.append(char('0' + int(u % 10)));
        u /= 10;
    }
    out.negative = m_units < 0;
    out.digits.resize(reversed.size());
    std::copy(reversed.crbegin(), reversed.crend(), out.digits.begin());
    out.point = int(out.digits.size()) - kScale;
    while (!out.digits.isEmpty() && out.digits.back() == '0')
        out.digits.chop(1);
    return out;
}

double Total::ToDouble() const {
    return m_exact ? Value().ToDouble() : m_approx;
}

} // namespace karvell
