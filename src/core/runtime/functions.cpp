// Report functions: texts that begin with the backquote. Date, time and variables are
// evaluated when a cell is filled; page numbers and page or running totals when its page is
// written.
#include <QDateTime>
#include <limits>

#include "platform/gbk.h"
#include "platform/messages.h"
#include "runtime/dispformat.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

void Say(const QString& text) {
    ShowMessage(ApplicationTitle(), text, MsgIcon::None);
}

// One column number of a total's list: blanks before the digits, then decimal digits only.
// Answers false for anything else (empty, a sign, letters, inner blanks, overflow).
bool ParseColumn(const QByteArray& list, qsizetype begin, qsizetype end, int* out) {
    while (begin < end && list[begin] == ' ')
        ++begin;
    if (begin == end) return false;
    qint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = list[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max()) return false;
    }
    *out = static_cast<int>(value);
    return true;
}

} // namespace

QByteArray TReportRunTime::EvalFunction(const QByteArray& text) {
    if (text.isEmpty() || text[0] != '`') return QByteArray();
    // Set for the rest of the program's life: date fields filled later show this form too.
    SetShortDateFormat(QStringLiteral("yyyy-MM-dd"));

    const QByteArray upper = Gbk::Upper(text);
    QByteArray result;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray date = now.date().toString(ShortDateFormat()).toLatin1();
    const QByteArray time = now.time().toString(QStringLiteral("HH:mm:ss")).toLatin1();
    if (upper == "`DATE")
        result = date;
    else if (upper == "`TIME")
        result = time;
    else if (upper == "`DATETIME")
        result = date + ' ' + time;

    // A variable of the same name wins, even over DATE and TIME.
    const QByteArray name = upper.mid(1);
    for (const TVarTableItem* item : std::as_const(Variables)) {
        if (item->ItemName == name) {
            result = item->ItemValue;
            break;
        }
    }
    return result;
}

QByteArray TReportRunTime::PageText(const TReportCell* cell, int pageNo, int pageCount) {
    const QByteArray& text = cell->CellText;
    if (text.isEmpty() || text[0] != '`') return text;
    const QByteArray upper = Gbk::Upper(text);
    if (upper == "`PAGENUM") return Gbk::Encode(QStringLiteral("第 %1 页").arg(pageNo));
    if (upper == "`PAGENUM/")
        return Gbk::Encode(QStringLiteral("第 %1/%2 页").arg(pageNo).arg(pageCount));
    if (upper == "`PAGENUM-")
        return Gbk::Encode(QStringLiteral("第 %1-%2 页").arg(pageCount).arg(pageNo));
    if (upper.startsWith("`SUMPAGE(")) return EvalSumPage(cell->CellDispFormat, text);
    if (upper.startsWith("`SUMALL(")) return EvalSumAll(cell->CellDispFormat, text);
    return text;
}

QByteArray TReportRunTime::EvalSumPage(const QByteArray& format, const QByteArray& text) {
    return EvalSum(PageTotals, 10, format, text,
                   QStringLiteral("统计时发生错误，请检查`Sumpage()设置是否正确"),
                   QStringLiteral("模板中`Sumpage()括号内参数不应为零"));
}

QByteArray TReportRunTime::EvalSumAll(const QByteArray& format, const QByteArray& text) {
    return EvalSum(RunningTotals, 9, format, text,
                   QStringLiteral("统计时发生错误，请检查`SumAll()设置是否正确"),
                   QStringLiteral("模板中`SumAll()括号内参数不应为零"));
}

QByteArray TReportRunTime::EvalSum(const std::array<double, TOTAL_COLUMNS>& table, int listStart,
                                   const QByteArray& format, const QByteArray& text,
                                   const QString& malformedMessage, const QString& zeroMessage) {
    // The list runs from listStart (counted from 1) to before the first ")"; what follows the
    // ")" is ignored.
    const qsizetype close = text.indexOf(')');
    if (close < 0) {
        Say(malformedMessage);
        return QByteArray();
    }
    const qsizetype begin = listStart - 1;
    const QByteArray list = close > begin ? text.mid(begin, close - begin) : QByteArray();

    // Column n is table index n - 1. A 0 has its own message and counts 0; numbers above the
    // table's 41 columns count 0 as well, so nothing is read outside the table.
    auto column = [&](int n) -> double {
        if (n == 0) {
            Say(zeroMessage);
            return 0;
        }
        return n <= TOTAL_COLUMNS ? table[n - 1] : 0;
    };

    // Strictly left to right: c1, then (operator, c) pairs.
    double value = 0;
    char op = '+';
    qsizetype pos = 0;
    while (true) {
        qsizetype end = pos;
        while (end < list.size() && list[end] != '+' && list[end] != '-')
            ++end;
        int n = 0;
        if (!ParseColumn(list, pos, end, &n)) {
            Say(malformedMessage);
            return QByteArray();
        }
        const double v = column(n);
        value = op == '+' ? value + v : value - v;
        if (end >= list.size()) break;
        op = list[end];
        pos = end + 1;
    }
    if (value == 0) return QByteArray();
    return Gbk::Encode(FormatFloat(format, value));
}

} // namespace karvell
