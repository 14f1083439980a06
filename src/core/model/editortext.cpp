#include "model/editortext.h"

#include "model/reportcell.h"
#include "platform/gbk.h"

namespace karvell::EditorText {

namespace {
bool IsLineBreak(char16_t c) {
    return c == u'\n' || c == 0x2029 || c == 0x2028;
}
} // namespace

QString FromCell(const QByteArray& cellText) {
    QString text = Gbk::Decode(cellText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QByteArray ToCell(const QString& boxText) {
    QString text = boxText;
    text.replace(u'\n', QStringLiteral("\r\n"));
    return Gbk::TruncateBytes(Gbk::Encode(text), MAX_TEXT_BYTES);
}

int Bytes(const QString& boxText) {
    // Every line break (also U+2028 and U+2029, which have codes of their own) becomes CR LF.
    QString text = boxText;
    qsizetype lines = 0;
    for (QChar& c : text) {
        if (IsLineBreak(c.unicode())) {
            c = u'\n';
            ++lines;
        }
    }
    return int(Gbk::Encode(text).size() + lines);
}

QString Fit(const QString& inserted, int available) {
    QString out;
    int used = 0;
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        const char16_t c = inserted[i].unicode();
        if (IsLineBreak(c)) {
            if (used + 2 > available) break;
            used += 2;
            out += u'\n';
            continue;
        }
        // A character beyond the Basic Multilingual Plane is a surrogate pair: four bytes.
        const qsizetype units = QChar::isHighSurrogate(c) && i + 1 < inserted.size() &&
                                        QChar::isLowSurrogate(inserted[i + 1].unicode())
                                    ? 2
                                    : 1;
        const QString character = inserted.mid(i, units);
        const QByteArray bytes = Gbk::Encode(character);
        if (bytes == "?" && c != u'?') continue;
        if (used + bytes.size() > available) break;
        used += int(bytes.size());
        out += character;
        i += units - 1;
    }
    return out;
}

} // namespace karvell::EditorText
