#include "output/pdftext.h"

#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QMap>
#include <QRawFont>
#include <QRegularExpression>

#include "output/pdfjoin.h"
#include "platform/gbk.h"

namespace karvell {
namespace {

// Kangxi radicals and the CJK radicals supplement: the code points below the unified
// ideographs that fonts map onto ideograph glyphs.
constexpr char16_t kRadicalsFirst = 0x2E80;
constexpr char16_t kRadicalsLast = 0x2FDF;

bool IsRadical(char16_t c) {
    return c >= kRadicalsFirst && c <= kRadicalsLast;
}

QByteArray Hex4(uint v) {
    return QByteArray::number(v, 16).toUpper().rightJustified(4, '0');
}

// One ToUnicode map rewritten line by line. Qt writes bfrange lines in three forms:
// "<a> <b> <u>" (a linear range), "<a> <b> [<u> …]" and, in other writers, "<a> <u>" bfchar.
// A linear range that touches an alias becomes the array form.
QByteArray RewriteCMap(const QByteArray& cmap, const QHash<char16_t, char16_t>& aliases) {
    static const QRegularExpression linear(
        QStringLiteral("^<([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})>$"));
    static const QRegularExpression array(
        QStringLiteral("^<([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})> \\[(.*)\\]$"));
    static const QRegularExpression single(
        QStringLiteral("^<([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})>$"));
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]{4})>"));
    const auto mapped = [&aliases](uint u) {
        return uint(aliases.value(char16_t(u), char16_t(u)));
    };

    QList<QByteArray> lines = cmap.split('\n');
    for (QByteArray& line : lines) {
        const QString text = QString::fromLatin1(line);
        if (auto m = linear.match(text); m.hasMatch()) {
            const uint first = m.captured(1).toUInt(nullptr, 16);
            const uint last = m.captured(2).toUInt(nullptr, 16);
            const uint u = m.captured(3).toUInt(nullptr, 16);
            if (last < first || last - first > 0xFFFF) continue;
            bool touched = false;
            for (uint i = 0; i <= last - first && !touched; ++i)
                touched = mapped(u + i) != u + i;
            if (!touched) continue;
            QByteArray out = '<' + Hex4(first) + "> <" + Hex4(last) + "> ";
            if (first == last) {
                out += '<' + Hex4(mapped(u)) + '>';
            } else {
                out += '[';
                for (uint i = 0; i <= last - first; ++i)
                    out += '<' + Hex4(mapped(u + i)) + "> ";
                out += ']';
            }
            line = out;
        } else if (auto a = array.match(text); a.hasMatch()) {
            QByteArray out =
                '<' + a.captured(1).toLatin1() + "> <" + a.captured(2).toLatin1() + "> [";
            auto it = code.globalMatch(a.captured(3));
            while (it.hasNext())
                out += '<' + Hex4(mapped(it.next().captured(1).toUInt(nullptr, 16))) + "> ";
            out += ']';
            line = out;
        } else if (auto s = single.match(text); s.hasMatch()) {
            line = '<' + s.captured(1).toLatin1() + "> <" +
                   Hex4(mapped(s.captured(2).toUInt(nullptr, 16))) + '>';
        }
    }
    return lines.join('\n');
}

// The object's dictionary and other text: what comes before its stream data, if any.
qsizetype TextEnd(const QByteArray& object) {
    const qsizetype stream = object.indexOf(">>\nstream\n");
    return stream < 0 ? object.size() : stream + 10;
}

// The whole file through the joiner, with the given fixes; the input as it is when the file
// does not have the structure Qt writes.
QByteArray FixWhole(const QByteArray& pdf, const PdfTextFixes& fixes) {
    return JoinPdfsInMemory({pdf}, fixes).value_or(pdf);
}

} // namespace

void PdfTextFixer::AddText(const LOGFONTA& font, const QByteArray& gbkText) {
    // Only double-byte characters decode at or above U+3000; amounts and dates are skipped.
    bool wide = false;
    for (char b : gbkText)
        wide = wide || (uchar(b) & 0x80);
    if (!wide) return;
    const QString text = Gbk::Decode(gbkText);
    bool any = false;
    for (QChar c : text) {
        if (c.unicode() >= 0x3000 && !IsRadical(c.unicode())) {
            m_chars.insert(c.unicode());
            any = true;
        }
    }
    if (!any) return;
    // A page has a handful of fonts and thousands of cells: each font is looked up once.
    const QByteArray key(reinterpret_cast<const char*>(&font), sizeof font);
    if (m_fonts.contains(key)) return;
    m_fonts.insert(key);
    const QFont qfont = FontFromLogFont(font);
    const QStringList families =
        qfont.families().isEmpty() ? QStringList{qfont.family()} : qfont.families();
    for (const QString& family : families)
        m_families.insert(family);
}

void PdfTextFixer::Merge(const PdfTextFixer& other) {
    m_fonts.unite(other.m_fonts);
    m_families.unite(other.m_families);
    m_chars.unite(other.m_chars);
}

QHash<char16_t, char16_t> PdfTextFixer::Aliases() const {
    QHash<char16_t, char16_t> aliases;
    if (m_chars.isEmpty()) return aliases;
    QString radicals;
    for (char16_t c = kRadicalsFirst; c <= kRadicalsLast; ++c)
        radicals += QChar(c);
    QString drawn;
    for (char16_t c : m_chars)
        drawn += QChar(c);
    QSet<QString> seen;
    for (const QString& family : m_families) {
        QFont font(family);
        font.setPixelSize(16);
        const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
        if (!raw.isValid() || seen.contains(raw.familyName() + u'/' + raw.styleName())) continue;
        seen.insert(raw.familyName() + u'/' + raw.styleName());
        const QList<quint32> radicalGlyphs = raw.glyphIndexesForString(radicals);
        const QList<quint32> drawnGlyphs = raw.glyphIndexesForString(drawn);
        if (radicalGlyphs.size() != radicals.size() || drawnGlyphs.size() != drawn.size()) continue;
        QHash<quint32, char16_t> radicalOfGlyph; // the lowest radical wins, as in the PDF
        for (qsizetype i = radicalGlyphs.size() - 1; i >= 0; --i)
            if (radicalGlyphs[i] != 0)
                radicalOfGlyph.insert(radicalGlyphs[i], radicals[i].unicode());
        for (qsizetype i = 0; i < drawn.size(); ++i) {
            const auto it = radicalOfGlyph.constFind(drawnGlyphs[i]);
            if (drawnGlyphs[i] != 0 && it != radicalOfGlyph.constEnd())
                aliases.insert(*it, drawn[i].unicode());
        }
    }
    return aliases;
}

QByteArray PdfTextFixer::Fix(const QByteArray& pdf) const {
    return FixWhole(pdf, PdfTextFixes{Aliases(), true});
}

QByteArray PdfTextFixer::TagSubsetFonts(const QByteArray& pdf) {
    return FixWhole(pdf, PdfTextFixes{{}, true});
}

QByteArray PdfTextFixer::RewriteToUnicode(const QByteArray& pdf,
                                          const QHash<char16_t, char16_t>& aliases) {
    if (aliases.isEmpty()) return pdf;
    return FixWhole(pdf, PdfTextFixes{aliases, false});
}

QList<int> ToUnicodeReferences(const QByteArray& object) {
    QList<int> maps;
    const qsizetype end = TextEnd(object);
    for (qsizetype at = object.indexOf("/ToUnicode "); at >= 0 && at < end;
         at = object.indexOf("/ToUnicode ", at + 1)) {
        qsizetype p = at + 11;
        int n = 0;
        while (p < end && object[p] >= '0' && object[p] <= '9' && n < 10000000)
            n = n * 10 + (object[p++] - '0');
        if (p > at + 11 && object.mid(p, 4) == " 0 R" && !maps.contains(n)) maps.append(n);
    }
    return maps;
}

QByteArray RewriteToUnicodeObject(const QByteArray& object,
                                  const QHash<char16_t, char16_t>& aliases) {
    static const QRegularExpression header(QStringLiteral("<< /Length (\\d+) >>\nstream\n"));
    const qsizetype dictAt = object.indexOf(" 0 obj\n") + 7;
    if (dictAt < 7) return object;
    const auto m = header.match(QString::fromLatin1(object.mid(dictAt, 64)), 0,
                                QRegularExpression::NormalMatch,
                                QRegularExpression::AnchorAtOffsetMatchOption);
    if (!m.hasMatch()) return object; // a compressed or otherwise unexpected stream
    const qsizetype length = m.captured(1).toLongLong();
    const qsizetype dataAt = dictAt + m.capturedLength(0);
    if (length < 0 || dataAt + length > object.size() ||
        !object.mid(dataAt + length, 11).contains("endstream"))
        return object;
    const QByteArray cmap = object.mid(dataAt, length);
    const QByteArray rewritten = RewriteCMap(cmap, aliases);
    if (rewritten == cmap) return object;
    return object.left(dictAt) + "<< /Length " + QByteArray::number(rewritten.size()) +
           " >>\nstream\n" + rewritten + object.mid(dataAt + length);
}

QByteArray SubsetTags::Apply(const QByteArray& object) {
    static const QRegularExpression descriptor(
        QStringLiteral("/FontName /([A-Z]{6})\\+([^\\s/<>\\[\\]()]+)"));
    const qsizetype end = TextEnd(object);
    QByteArray out = object;
    if (!m_tagOf.isEmpty()) {
        const QByteArray key = "/BaseFont /";
        // From the end, so that an edit never moves a place still to be edited.
        for (qsizetype at = out.lastIndexOf(key, end - 1); at >= 0;
             at = at > 0 ? out.lastIndexOf(key, at - 1) : -1) {
            const qsizetype nameAt = at + key.size();
            qsizetype nameEnd = nameAt;
            while (nameEnd < end && !QByteArrayView(" \n\r/>[<(").contains(out[nameEnd]))
                ++nameEnd;
            const auto tag = m_tagOf.constFind(out.mid(nameAt, nameEnd - nameAt));
            if (tag != m_tagOf.constEnd()) out.insert(nameAt, *tag + '+');
        }
    }
    for (qsizetype at = object.indexOf("/FontName /"); at >= 0 && at < end;
         at = object.indexOf("/FontName /", at + 1)) {
        const auto m = descriptor.match(QString::fromLatin1(object.mid(at, 200)), 0,
                                        QRegularExpression::NormalMatch,
                                        QRegularExpression::AnchorAtOffsetMatchOption);
        if (m.hasMatch()) m_tagOf.insert(m.captured(2).toLatin1(), m.captured(1).toLatin1());
    }
    return out;
}

} // namespace karvell
