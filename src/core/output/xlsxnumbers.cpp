#include "output/xlsxnumbers.h"

#include <QDateTime>
#include <QStringList>

#include "format/amountformat.h"
#include "format/decimal.h"
#include "format/dispformat.h"
#include "platform/gbk.h"

namespace karvell {
namespace {

// A spreadsheet's number keeps 15 significant digits: a longer one (a 16-digit voucher key in a
// numeric column) stays text, exactly as printed.
constexpr qsizetype kSpreadsheetDigits = 15;

// One section: literals quoted, digits and the point kept, grouping put where a spreadsheet
// reads it.
QString ExcelSection(QStringView s) {
    QString out;
    QString literal;
    bool thousands = false;
    int groupAt = -1; // where the integer digits begin in `out`
    bool pastInteger = false;
    auto flushLiteral = [&] {
        if (literal.isEmpty()) return;
        out += u'"' + QString(literal).remove(u'"') + u'"';
        literal.clear();
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"' || c == u'\'') {
            qsizetype end = s.indexOf(c, i + 1);
            if (end < 0) end = s.size();
            literal += s.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u',') {
            thousands = true;
        } else if (c == u'0' || c == u'#' || c == u'.') {
            flushLiteral();
            if (c != u'.' && !pastInteger && groupAt < 0) groupAt = int(out.size());
            if (c == u'.') pastInteger = true;
            out += c;
        } else if ((c == u'E' || c == u'e') && i + 2 < s.size() &&
                   (s[i + 1] == u'+' || s[i + 1] == u'-') && s[i + 2] == u'0') {
            flushLiteral();
            pastInteger = true;
            out += c;
            out += s[i + 1];
            ++i;
        } else {
            literal += c;
        }
    }
    flushLiteral();
    if (thousands && groupAt >= 0) {
        // The integer positions as written ("0", "###0") become "#,##0"-like.
        qsizetype end = groupAt;
        while (end < out.size() && (out[end] == u'0' || out[end] == u'#'))
            ++end;
        QString digits = out.mid(groupAt, end - groupAt);
        while (digits.size() < 4)
            digits.prepend(u'#');
        digits.insert(digits.size() - 3, u',');
        out.replace(groupAt, end - groupAt, digits);
    }
    return out;
}

} // namespace

QString ExcelNumberFormat(const QString& displayFormat) {
    QStringList sections;
    qsizetype start = 0;
    QChar quote;
    for (qsizetype i = 0; i <= displayFormat.size() && sections.size() < 3; ++i) {
        if (i < displayFormat.size() && !quote.isNull()) {
            if (displayFormat[i] == quote) quote = QChar();
        } else if (i < displayFormat.size() &&
                   (displayFormat[i] == u'"' || displayFormat[i] == u'\'')) {
            quote = displayFormat[i];
        } else if (i == displayFormat.size() || displayFormat[i] == u';') {
            sections.append(ExcelSection(QStringView(displayFormat).mid(start, i - start)));
            start = i + 1;
        }
    }
    // The page reads an empty section as the first one (negatives with a minus sign); a
    // spreadsheet would show nothing for it.
    if (sections.first().isEmpty()) return QStringLiteral("General");
    if (sections.size() > 1 && sections[1].isEmpty()) sections[1] = u'-' + sections[0];
    if (sections.size() > 2 && sections[2].isEmpty()) sections[2] = sections[0];
    return sections.join(u';');
}

std::optional<XlsxNumber> NumberOfCell(const QString& text, const QByteArray& gbkFormat) {
    if (text.isEmpty()) return std::nullopt;
    if (gbkFormat.isEmpty()) { // the general form: the text is the number's shortest form
        DecimalValue value;
        if (!DecimalValue::FromText(text, &value) || value.GeneralText() != text ||
            value.digits.size() > kSpreadsheetDigits)
            return std::nullopt;
        return XlsxNumber{value.ToDouble(), QString()};
    }
    const AmountFormat amount = ParseAmountFormat(gbkFormat);
    if (amount.IsUpperCase()) return std::nullopt;
    if (amount.style == AmountStyle::DigitColumns) {
        // The digits are the amount in fen ("-￥123456"); "#" is an overflow, not a number.
        QString digits = text;
        const bool negative = digits.startsWith(u'-');
        digits.remove(u'-').remove(u'￥');
        bool ok = false;
        const qlonglong fen = digits.toLongLong(&ok);
        if (!ok || digits.isEmpty()) return std::nullopt;
        return XlsxNumber{double(negative ? -fen : fen) / 100.0, QStringLiteral("0.00")};
    }
    // The candidate keeps what a number is written with; the format's own literals, grouping
    // and a negative section's brackets fall away, and formatting it again must give the text.
    QString candidate;
    for (const QChar c : text)
        if (c.isDigit() || c == u'.' || c == u'-' || c == u'+' || c == u'E' || c == u'e')
            candidate += c;
    DecimalValue value;
    if (candidate.isEmpty() || !DecimalValue::FromText(candidate, &value) ||
        value.digits.size() > kSpreadsheetDigits)
        return std::nullopt;
    for (int sign = 0; sign < 2; ++sign) {
        DecimalValue tried = value;
        if (sign == 1) tried.negative = !tried.negative;
        if (FormatDecimal(gbkFormat, tried) == text)
            return XlsxNumber{tried.ToDouble(), ExcelNumberFormat(Gbk::Decode(gbkFormat))};
    }
    return std::nullopt;
}

namespace {

// A Qt date format as a spreadsheet's: the date and time letters are the same in lower case
// ("M" months become "m", which follows a day or year as a month); anything else is quoted.
QString ExcelDateFormat(const QString& qt) {
    QString out, literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) out += u'"' + literal + u'"';
        literal.clear();
    };
    bool quoted = false;
    for (QChar c : qt) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && QStringView(u"yMdhms").contains(c)) {
            flush();
            out += c.toLower();
        } else if (!quoted && QStringView(u"/-:. ").contains(c)) {
            flush();
            out += c;
        } else if (c != u'"') {
            literal += c;
        }
    }
    flush();
    return out;
}

} // namespace

std::optional<XlsxNumber> DateOfCell(const QString& text, const QString& qtDateFormat) {
    static const QDate epoch(1899, 12, 30), first(1900, 3, 1);
    const QString withTime = qtDateFormat + QStringLiteral(" hh:mm:ss");
    const QDateTime dateTime = QDateTime::fromString(text, withTime);
    if (dateTime.isValid() && dateTime.date() >= first && dateTime.toString(withTime) == text) {
        const double day = double(epoch.daysTo(dateTime.date()));
        return XlsxNumber{day + dateTime.time().msecsSinceStartOfDay() / 86400000.0,
                          ExcelDateFormat(withTime)};
    }
    const QDate date = QDate::fromString(text, qtDateFormat);
    if (!date.isValid() || date < first || date.toString(qtDateFormat) != text) return std::nullopt;
    return XlsxNumber{double(epoch.daysTo(date)), ExcelDateFormat(qtDateFormat)};
}

} // namespace karvell
