#include "filetext.h"

#include "platform/error.h"

namespace karvell::filetext {

namespace {

int LineAt(const QByteArray& b, qsizetype offset) {
    return int(b.left(offset).count('\n')) + 1;
}

} // namespace

[[noreturn]] void Fail(const QString& source, int line, const QString& what) {
    throw KarvellError(QStringLiteral("数据文件 %1 第 %2 行：%3").arg(source).arg(line).arg(what));
}

// No overlong forms, no surrogates, nothing above U+10FFFF.
qsizetype BadUtf8At(const QByteArray& b) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned c = p[i];
        int more;
        unsigned min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, min = 0x10000;
        } else {
            return i;
        }
        unsigned cp = c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return i;
        i += more + 1;
    }
    return -1;
}

QByteArray Utf8Body(const QByteArray& bytes, const QString& source) {
    const qsizetype bad = BadUtf8At(bytes);
    if (bad >= 0)
        Fail(source, LineAt(bytes, bad),
             QStringLiteral("第 %1 个字节不是有效的 UTF-8 编码").arg(bad + 1));
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

} // namespace karvell::filetext
