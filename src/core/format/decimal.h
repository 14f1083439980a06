#pragma once
// Exact decimal values for amounts. A field value arrives as the text the database gives
// ("2356.50", "2024033100000001") and is read digit by digit, never through a binary double;
// a value that only exists as a double (a SQLite REAL) counts as its shortest decimal form
// (12345678901234.56, 2.675, 1.005). That form, not a binary value, is what formats round and
// totals add up, so a total never picks up binary noise and a digit total and its upper-case
// line always agree.
#include <QByteArray>
#include <QStringView>
#include <QtGlobal>

namespace karvell {

// ±0.d1d2…dn × 10^point with no leading or trailing zero digits; zero has no digits.
struct DecimalValue {
    bool negative = false;
    QByteArray digits; // '0'..'9'
    int point = 0;

    bool IsZero() const { return digits.isEmpty(); }
    // The shortest decimal form that reads back as `value` (which must be finite).
    static DecimalValue FromDouble(double value);
    // Reads a decimal number: blanks around it, an optional sign, digits with an optional
    // fraction (at least one digit), an optional exponent ("1.0e+20"). Nothing else: no
    // separators, no NaN or infinity, no magnitude beyond 10^308. False when the text is no
    // such number.
    static bool FromText(QStringView text, DecimalValue* out);
    // The general form of a cell without display format: integers below 10^20 in full (keys
    // and amounts of any length stay exact), other values with up to 15 significant digits
    // laid out as FloatToStr does.
    QString GeneralText() const;
    double ToDouble() const;
    // Rounded half away from zero to whole cents; false when the magnitude reaches 10^16.
    bool ToCents(qint64* cents) const;
};

// A column total kept exactly in units of 10^-10. Values are taken from their shortest decimal
// form; the few that do not fit (magnitudes from 10^24) make the total approximate, a double.
class Total {
public:
    Total() = default;
    Total(double value) { Add(value); } // NOLINT: tests and callers assign plain numbers

    void Add(double value, int sign = 1);
    void Add(const DecimalValue& value, int sign = 1);
    Total& operator+=(const Total& other);
    Total& operator-=(const Total& other);
    friend Total operator-(Total a, const Total& b) { return a -= b; }
    friend Total operator+(Total a, const Total& b) { return a += b; }

    bool IsZero() const { return m_exact ? m_units == 0 : m_approx == 0; }
    bool IsExact() const { return m_exact; }
    DecimalValue Value() const; // exact totals only
    double ToDouble() const;

private:
    __int128 m_units = 0;
    double m_approx = 0; // kept alongside, used once the total is not exact
    bool m_exact = true;
};

} // namespace karvell
