#include "model/editortext.h"

#include <QStringList>

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

namespace {
// Fit, also naming what it refused: characters the cell cannot hold, and whether the rest was
// cut at the byte limit.
QString FitNoting(const QString& inserted, int available, QString* refused, bool* cut) {
    QString out;
    int used = 0;
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        const char16_t c = inserted[i].unicode();
        if (IsLineBreak(c)) {
            if (used + 2 > available) {
                *cut = true;
                break;
            }
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
        if (bytes == "?" && c != u'?') {
            if (!refused->contains(character)) *refused += character;
            i += units - 1;
            continue;
        }
        if (used + bytes.size() > available) {
            *cut = true;
            break;
        }
        used += int(bytes.size());
        out += character;
        i += units - 1;
    }
    return out;
}
} // namespace

QString Fit(const QString& inserted, int available) {
    QString refused;
    bool cut = false;
    return FitNoting(inserted, available, &refused, &cut);
}

QString Refusal(const QString& inserted, int available) {
    QString refused;
    bool cut = false;
    FitNoting(inserted, available, &refused, &cut);
    QStringList said;
    if (!refused.isEmpty()) said << QStringLiteral("单元格不能保存字符“%1”，未录入").arg(refused);
    if (cut) said << QStringLiteral("单元格文字最多 %1 字节，多出的文字未录入").arg(MAX_TEXT_BYTES);
    return said.join(QStringLiteral("；"));
}

} // namespace karvell::EditorText
