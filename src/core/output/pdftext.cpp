#include "output/pdftext.h"

#include <QFont>
#include <QFontDatabase>
#include <QList>
#include <QMap>
#include <QRawFont>
#include <QRegularExpression>

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

// Moves every cross-reference entry and the startxref value behind `from` by `delta` bytes.
bool ShiftXref(QByteArray& pdf, qsizetype from, qsizetype delta) {
    const qsizetype xref = pdf.lastIndexOf("\nxref\n");
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    if (xref < 0 || startxref < xref) return false;
    qsizetype p = xref + 6;
    const qsizetype eol = pdf.indexOf('\n', p);
    const QList<QByteArray> head = pdf.mid(p, eol - p).trimmed().split(' ');
    if (head.size() != 2) return false;
    bool ok = false;
    const int count = head[1].toInt(&ok);
    if (!ok || count < 0) return false;
    p = eol + 1;
    constexpr int kEntry = 20; // "oooooooooo ggggg n \n"
    if (p + qsizetype(count) * kEntry > startxref) return false;
    for (int i = 0; i < count; ++i, p += kEntry) {
        if (pdf[p + 17] != 'n') continue;
        const qint64 offset = pdf.mid(p, 10).toLongLong(&ok);
        if (ok && offset > from)
            pdf.replace(p, 10, QByteArray::number(offset + delta).rightJustified(10, '0'));
    }
    const qsizetype numStart = startxref + 10;
    qsizetype numEnd = numStart;
    while (numEnd < pdf.size() && pdf[numEnd] >= '0' && pdf[numEnd] <= '9')
        ++numEnd;
    const qint64 value = pdf.mid(numStart, numEnd - numStart).toLongLong(&ok);
    if (!ok) return false;
    pdf.replace(numStart, numEnd - numStart, QByteArray::number(value + delta));
    return true;
}

// Replaces `length` bytes at `at` and moves the cross-reference table to match.
bool ReplaceRange(QByteArray& pdf, qsizetype at, qsizetype length, const QByteArray& replacement) {
    pdf.replace(at, length, replacement);
    return ShiftXref(pdf, at, replacement.size() - length);
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
    return TagSubsetFonts(RewriteToUnicode(pdf, Aliases()));
}

QByteArray PdfTextFixer::TagSubsetFonts(const QByteArray& pdf) {
    // The descriptor's /FontName carries the subset tag ("QMAAAA+Name"); the font dictionaries
    // name the same font without it. Qt writes a font's descriptor before its dictionaries, so
    // each dictionary takes the tag of the last descriptor of its name before it: a file joined
    // from parts holds one subset of a font per part, each with its own tag.
    static const QRegularExpression descriptor(
        QStringLiteral("/FontName /([A-Z]{6})\\+([^\\s/<>\\[\\]()]+)"));
    struct Descriptor {
        qsizetype at;
        QByteArray name, tag;
    };
    QList<Descriptor> descriptors;
    for (qsizetype at = 0; (at = pdf.indexOf("/FontName /", at)) >= 0; ++at) {
        const QString window = QString::fromLatin1(pdf.mid(at, 200));
        const auto m = descriptor.match(window, 0, QRegularExpression::NormalMatch,
                                        QRegularExpression::AnchorAtOffsetMatchOption);
        if (m.hasMatch())
            descriptors.append({at, m.captured(2).toLatin1(), m.captured(1).toLatin1()});
    }
    QByteArray out = pdf;
    // From the end, so that an edit never moves a place still to be edited.
    for (qsizetype i = descriptors.size() - 1; i >= 0; --i) {
        const Descriptor& d = descriptors[i];
        // The search stops at the next descriptor of the same name.
        qsizetype limit = out.size();
        for (qsizetype k = i + 1; k < descriptors.size(); ++k) {
            if (descriptors[k].name == d.name) {
                limit = descriptors[k].at;
                break;
            }
        }
        const QByteArray plain = "/BaseFont /" + d.name;
        QList<qsizetype> places;
        for (qsizetype at = out.indexOf(plain, d.at); at >= 0 && at < limit;
             at = out.indexOf(plain, at + 1)) {
            const qsizetype after = at + plain.size();
            const char next = after < out.size() ? out[after] : ' ';
            if (QByteArrayView(" \n\r/>[<(").contains(next)) places.append(at);
        }
        for (qsizetype k = places.size() - 1; k >= 0; --k)
            if (!ReplaceRange(out, places[k], plain.size(), "/BaseFont /" + d.tag + '+' + d.name))
                return pdf;
    }
    return out;
}

QByteArray PdfTextFixer::RewriteToUnicode(const QByteArray& pdf,
                                          const QHash<char16_t, char16_t>& aliases) {
    if (aliases.isEmpty()) return pdf;
    static const QRegularExpression header(QStringLiteral("<< /Length (\\d+) >>\nstream\n"));
    QList<int> objects;
    for (qsizetype at = pdf.indexOf("/ToUnicode "); at >= 0;
         at = pdf.indexOf("/ToUnicode ", at + 1)) {
        qsizetype p = at + 11;
        int n = 0;
        while (p < pdf.size() && pdf[p] >= '0' && pdf[p] <= '9' && n < 10000000)
            n = n * 10 + (pdf[p++] - '0');
        if (p > at + 11 && pdf.mid(p, 4) == " 0 R" && !objects.contains(n)) objects.append(n);
    }
    QByteArray out = pdf;
    for (int n : objects) {
        const QByteArray objHead = '\n' + QByteArray::number(n) + " 0 obj\n";
        const qsizetype at = out.indexOf(objHead);
        if (at < 0) continue;
        const qsizetype dictAt = at + objHead.size();
        const QString window = QString::fromLatin1(out.mid(dictAt, 64));
        const auto m = header.match(window, 0, QRegularExpression::NormalMatch,
                                    QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch()) continue; // a compressed or otherwise unexpected stream is left alone
        const qsizetype length = m.captured(1).toLongLong();
        const qsizetype dataAt = dictAt + m.capturedLength(0);
        if (length < 0 || dataAt + length > out.size() ||
            !out.mid(dataAt + length, 11).contains("endstream"))
            continue;
        const QByteArray cmap = out.mid(dataAt, length);
        const QByteArray rewritten = RewriteCMap(cmap, aliases);
        if (rewritten == cmap) continue;
        const QByteArray replacement =
            "<< /Length " + QByteArray::number(rewritten.size()) + " >>\nstream\n" + rewritten;
        const qsizetype oldSize = dataAt + length - dictAt;
        out.replace(dictAt, oldSize, replacement);
        if (!ShiftXref(out, dictAt, replacement.size() - oldSize)) return pdf;
    }
    return out;
}

} // namespace karvell
