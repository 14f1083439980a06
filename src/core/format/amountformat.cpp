#include "format/amountformat.h"

#include <QHash>

#include "platform/gbk.h"

namespace karvell {

namespace {

const QByteArray& Bytes(const char16_t* text) {
    // The formats compared are few and fixed: their GBK forms are made once.
    thread_local QHash<const char16_t*, QByteArray> cache;
    auto it = cache.find(text);
    if (it == cache.end()) it = cache.insert(text, Gbk::Encode(QString::fromUtf16(text)));
    return *it;
}

AmountFormat ParseBracketed(const QByteArray& f) {
    AmountFormat out;
    if (f == Bytes(u"[大写]")) {
        out.style = AmountStyle::Upper;
    } else if (f == Bytes(u"[大写角整]")) {
        out.style = AmountStyle::UpperJiaoZheng;
    } else if (f == Bytes(u"[人民币大写]")) {
        out.style = AmountStyle::UpperRmb;
    } else {
        const QByteArray& head = Bytes(u"[金额线");
        if (!f.startsWith(head)) return out;
        QByteArray rest = f.mid(head.size(), f.size() - head.size() - 1);
        const QByteArray& yuan = Bytes(u"￥");
        const bool sign = rest.endsWith(yuan);
        if (sign) rest.chop(yuan.size());
        if (rest.isEmpty() || rest.size() > 3) return out;
        int n = 0;
        for (const char c : rest) {
            if (c < '0' || c > '9') return out;
            n = n * 10 + (c - '0');
        }
        out.style = AmountStyle::DigitColumns;
        out.columns = n;
        out.yuanSign = sign;
    }
    return out;
}

} // namespace

AmountFormat ParseAmountFormat(const QByteArray& f) {
    if (f.size() < 4 || f.front() != '[' || f.back() != ']') return AmountFormat();
    // A page asks for the few formats of its cells again and again.
    thread_local QByteArray lastFormat;
    thread_local AmountFormat last;
    if (f != lastFormat) {
        last = ParseBracketed(f);
        lastFormat = f;
    }
    return last;
}

bool SpreadsInColumns(const AmountFormat& format, const QByteArray& text) {
    if (!format.ValidColumns() || text.isEmpty()) return false;
    if (text[0] == '@' || text[0] == '`') return false;
    if (text[0] == '#') return text.count('#') == text.size();
    return true;
}

const QList<QString>& ExtraDisplayFormats() {
    static const QList<QString> formats = {
        QStringLiteral("[大写]"),     QStringLiteral("[大写角整]"), QStringLiteral("[人民币大写]"),
        QStringLiteral("[金额线11]"), QStringLiteral("[金额线13]"), QStringLiteral("[金额线11￥]"),
    };
    return formats;
}

const QList<QString>& ExtraFunctions() {
    static const QList<QString> functions = {QStringLiteral("SumPrev()"),
                                             QStringLiteral("SumCarry()")};
    return functions;
}

} // namespace karvell
