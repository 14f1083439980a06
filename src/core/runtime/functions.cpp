// Report functions: texts that begin with the backquote. Date, time and variables are
// evaluated when a cell is filled; page numbers and page or running totals when its page is
// written.
#include <QDateTime>
#include <limits>

#include "format/dispformat.h"
#include "platform/gbk.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

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

// The total functions: their text, where the column list starts (counted from 1), the table
// they read and their messages.
struct TReportRunTime::SumFunction {
    enum Table { Page, Running, Previous, Carry };
    const char* upperPrefix;
    int listStart;
    Table table;
    const char16_t* malformedMessage;
    const char16_t* zeroMessage;
};

const TReportRunTime::SumFunction* TReportRunTime::FindSumFunction(const QByteArray& upper) {
    static const SumFunction functions[] = {
        {"`SUMPAGE(", 10, SumFunction::Page, u"统计时发生错误，请检查`Sumpage()设置是否正确",
         u"模板中`Sumpage()括号内参数不应为零"},
        {"`SUMALL(", 9, SumFunction::Running, u"统计时发生错误，请检查`SumAll()设置是否正确",
         u"模板中`SumAll()括号内参数不应为零"},
        {"`SUMPREV(", 10, SumFunction::Previous, u"统计时发生错误，请检查`SumPrev()设置是否正确",
         u"模板中`SumPrev()括号内参数不应为零"},
        {"`SUMCARRY(", 11, SumFunction::Carry, u"统计时发生错误，请检查`SumCarry()设置是否正确",
         u"模板中`SumCarry()括号内参数不应为零"},
    };
    for (const SumFunction& f : functions)
        if (upper.startsWith(f.upperPrefix)) return &f;
    return nullptr;
}

QByteArray TReportRunTime::PageText(const TReportCell* cell, int pageNo, int pageCount) {
    const QByteArray& text = cell->CellText;
    if (text.isEmpty() || text[0] != '`' || cell->TextIsLiteral) return text;
    const QByteArray upper = Gbk::Upper(text);
    if (upper == "`PAGENUM") return Gbk::Encode(QStringLiteral("第 %1 页").arg(pageNo));
    if (upper == "`PAGENUM/")
        return Gbk::Encode(QStringLiteral("第 %1/%2 页").arg(pageNo).arg(pageCount));
    if (upper == "`PAGENUM-")
        return Gbk::Encode(QStringLiteral("第 %1-%2 页").arg(pageCount).arg(pageNo));
    if (const SumFunction* f = FindSumFunction(upper)) {
        Total value;
        if (!EvalSum(*f, text, &value) || value.IsZero()) return QByteArray();
        bool overflow = false;
        const QString formatted = FormatDecimal(cell->CellDispFormat, value.Value(), &overflow);
        return FitNumber(cell, formatted, overflow);
    }
    return text;
}

void TReportRunTime::CollectTotalColumns() {
    m_totalColumns.reset();
    for (const TReportLine* line : std::as_const(TemplateLines)) {
        for (const TReportCell* cell : line->Cells) {
            const QByteArray& text = cell->CellText;
            if (text.isEmpty() || text[0] != '`') continue;
            const SumFunction* f = FindSumFunction(Gbk::Upper(text));
            const qsizetype close = text.indexOf(')');
            if (!f || close < 0) continue;
            // The column list as EvalSum reads it; malformed parts name no column.
            const qsizetype begin = f->listStart - 1;
            const QByteArray list = close > begin ? text.mid(begin, close - begin) : QByteArray();
            qsizetype pos = 0;
            while (pos <= list.size()) {
                qsizetype end = pos;
                while (end < list.size() && list[end] != '+' && list[end] != '-')
                    ++end;
                int n = 0;
                if (ParseColumn(list, pos, end, &n) && n >= 1 && n <= TOTAL_COLUMNS)
                    m_totalColumns.set(size_t(n - 1));
                pos = end + 1;
            }
        }
    }
}

QByteArray TReportRunTime::EvalSumPage(const QByteArray& format, const QByteArray& text) {
    return EvalSumText(*FindSumFunction("`SUMPAGE("), format, text);
}

QByteArray TReportRunTime::EvalSumAll(const QByteArray& format, const QByteArray& text) {
    return EvalSumText(*FindSumFunction("`SUMALL("), format, text);
}

QByteArray TReportRunTime::EvalSumPrev(const QByteArray& format, const QByteArray& text) {
    return EvalSumText(*FindSumFunction("`SUMPREV("), format, text);
}

QByteArray TReportRunTime::EvalSumCarry(const QByteArray& format, const QByteArray& text) {
    return EvalSumText(*FindSumFunction("`SUMCARRY("), format, text);
}

QByteArray TReportRunTime::EvalSumText(const SumFunction& function, const QByteArray& format,
                                       const QByteArray& text) {
    Total value;
    if (!EvalSum(function, text, &value) || value.IsZero()) return QByteArray();
    return Gbk::Encode(FormatDecimal(format, value.Value()));
}

bool TReportRunTime::EvalSum(const SumFunction& function, const QByteArray& text, Total* value) {
    const QString malformed = QString::fromUtf16(function.malformedMessage);
    // The list runs from listStart (counted from 1) to before the first ")"; what follows the
    // ")" is ignored.
    const qsizetype close = text.indexOf(')');
    if (close < 0) {
        Outcome.Note(malformed);
        return false;
    }
    const qsizetype begin = function.listStart - 1;
    const QByteArray list = close > begin ? text.mid(begin, close - begin) : QByteArray();

    // The table: the page's records, all records placed so far, those of the pages before this
    // one, or those up to this page while a page follows (nothing is carried from the last).
    const bool carried = function.table == SumFunction::Carry && m_lastPage;
    if (function.table == SumFunction::Previous)
        for (int i = 0; i < TOTAL_COLUMNS; ++i)
            m_previousTotals[i] = RunningTotals[i] - PageTotals[i];
    const std::array<Total, TOTAL_COLUMNS>& table = function.table == SumFunction::Page ? PageTotals
                                                    : function.table == SumFunction::Previous
                                                        ? m_previousTotals
                                                        : RunningTotals;

    // Column n is table index n - 1. A 0 has its own message and counts 0; numbers above the
    // table's 41 columns count 0 as well, so nothing is read outside the table.
    auto column = [&](int n) -> Total {
        if (n == 0) {
            Outcome.Note(QString::fromUtf16(function.zeroMessage));
            return Total();
        }
        return n <= TOTAL_COLUMNS ? table[n - 1] : Total();
    };

    // Strictly left to right: c1, then (operator, c) pairs.
    Total sum;
    char op = '+';
    qsizetype pos = 0;
    while (true) {
        qsizetype end = pos;
        while (end < list.size() && list[end] != '+' && list[end] != '-')
            ++end;
        int n = 0;
        if (!ParseColumn(list, pos, end, &n)) {
            Outcome.Note(malformed);
            return false;
        }
        const Total v = column(n);
        if (op == '+')
            sum += v;
        else
            sum -= v;
        if (end >= list.size()) break;
        op = list[end];
        pos = end + 1;
    }
    *value = carried ? Total() : sum;
    return true;
}

} // namespace karvell
