#include "platform/textlayout.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gbk.h"
#include "platform/textink.h"

namespace karvell {

static size_t qHash(const LOGFONTA& f, size_t seed = 0) {
    return qHashBits(&f, sizeof(f), seed);
}

namespace {

// A font with its metrics and the integer advance of every character measured so far. Widths
// are sums of these integer advances, so a text measures the same on every call and device.
struct FontEntry {
    explicit FontEntry(const LOGFONTA& lf)
        : font(FontFromLogFont(lf)), metrics(font), ascent(metrics.ascent()),
          height(metrics.height()) {
        for (int c = 0; c < 128; ++c)
            ascii[c] = metrics.horizontalAdvance(QChar(c));
    }

    int Advance(char16_t c) {
        if (c < 128) return ascii[c];
        const auto it = others.constFind(c);
        if (it != others.constEnd()) return *it;
        const int a = metrics.horizontalAdvance(QChar(c));
        others.insert(c, a);
        return a;
    }

    // True for a character the face maps to a glyph that draws nothing: some installed CJK
    // faces (AR PL UKai's 䶮, U+4DAE) claim characters they have no outline for, and the
    // platform falls back to another face only for characters a face does not claim.
    bool DrawsNothing(char16_t c) {
        if (c < 128 || QChar::isSurrogate(c) || QChar::isSpace(c) ||
            QChar::category(char32_t(c)) == QChar::Other_Format)
            return false;
        const auto it = empty.constFind(c);
        if (it != empty.constEnd()) return *it;
        if (!raw) raw = std::make_unique<QRawFont>(QRawFont::fromFont(font));
        const QList<quint32> glyphs = raw->glyphIndexesForString(QString(QChar(c)));
        const bool nothing = raw->isValid() && glyphs.size() == 1 && glyphs[0] != 0 &&
                             raw->pathForGlyph(glyphs[0]).isEmpty() &&
                             raw->alphaMapForGlyph(glyphs[0]).isNull();
        empty.insert(c, nothing);
        return nothing;
    }
    // Where the font's text puts its ink on `device`.
    TextInk& Ink(QPaintDevice* device) {
        const QPoint dpi(device->logicalDpiX(), device->logicalDpiY());
        if (!ink || inkDpi != dpi) {
            ink = std::make_unique<TextInk>(font, device);
            inkDpi = dpi;
        }
        return *ink;
    }
    // On the PDF writer, text whose glyphs TextInk knows goes as a run of those glyphs:
    // drawText would shape it to the same glyphs at the same places, which is a good part of
    // a long print job's work, and characters placed one by one would each cost a text object
    // and a graphics state of their own. place(i, ink) answers character i's x, in order.
    template <typename PlaceFn>
    std::optional<QGlyphRun> GlyphRun(QPainter& painter, const QString& chars,
                                      const PlaceFn& place) {
        // The PDF writer draws a glyph run as the glyphs it would shape; a recording engine
        // (OFD) learns the characters only from drawn text.
        QPaintDevice* device = painter.device();
        if (!device || !painter.paintEngine() || painter.paintEngine()->isExtended() ||
            painter.paintEngine()->type() != QPaintEngine::Pdf)
            return std::nullopt;
        TextInk& ink = Ink(device);
        for (const QChar c : chars)
            if (!ink.Known(c.unicode())) return std::nullopt;
        if (!deviceRaw.isValid() || deviceRawDpi != inkDpi) {
            deviceRaw = QRawFont::fromFont(QFont(font, device), QFontDatabase::SimplifiedChinese);
            deviceRawDpi = inkDpi;
        }
        const QList<quint32> glyphs = deviceRaw.glyphIndexesForString(chars);
        if (glyphs.size() != chars.size() || glyphs.contains(0)) return std::nullopt;
        QList<QPointF> places;
        places.reserve(chars.size());
        for (qsizetype i = 0; i < chars.size(); ++i)
            places.append(QPointF(place(i, ink), 0));
        QGlyphRun run;
        run.setRawFont(deviceRaw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(places);
        return run;
    }
    // The faces after the one in use, for the characters it draws nothing for.
    const QFont& Fallback() {
        if (!fallback) {
            fallback = std::make_unique<QFont>(font);
            const QStringList families = font.families();
            const qsizetype used = families.indexOf(QFontInfo(font).family());
            fallback->setFamilies(families.mid(used + 1));
        }
        return *fallback;
    }

    QFont font;
    QFontMetrics metrics;
    int ascent;
    int height;
    int ascii[128];
    QHash<char16_t, int> others;
    QHash<char16_t, bool> empty;
    std::unique_ptr<QRawFont> raw;
    std::unique_ptr<QFont> fallback;
    std::unique_ptr<TextInk> ink;
    QPoint inkDpi;
    QRawFont deviceRaw; // the face drawText uses on the device of inkDpi
    QPoint deviceRawDpi;
};

// Fonts are made once per distinct LOGFONT; the last one used is checked first because
// consecutive measurements nearly always share a font.
class FontCache {
public:
    FontEntry& Get(const LOGFONTA& lf) {
        if (m_last && std::memcmp(&m_lastKey, &lf, sizeof(lf)) == 0) return *m_last;
        auto it = m_entries.find(lf);
        if (it == m_entries.end()) {
            if (m_entries.size() >= kMaxEntries)
                m_entries.clear(); // hostile input with endless fonts must not grow without bound
            it = m_entries.emplace(lf, std::make_shared<FontEntry>(lf));
        }
        m_last = it->get();
        m_lastKey = lf;
        return *m_last;
    }

private:
    static constexpr qsizetype kMaxEntries = 512;
    QHash<LOGFONTA, std::shared_ptr<FontEntry>> m_entries;
    FontEntry* m_last = nullptr;
    LOGFONTA m_lastKey;
};

// One cache per thread: pages of a long print job are painted by more than one thread.
FontCache& Cache() {
    thread_local FontCache cache;
    return cache;
}

// Characters of the text being laid out; the buffer only grows, so measuring allocates nothing.
const char16_t* DecodeToBuffer(const QByteArray& text, qsizetype* size) {
    thread_local std::vector<char16_t> buffer;
    if (buffer.size() < size_t(text.size()) + 1) buffer.resize(size_t(text.size()) + 1);
    *size = Gbk::DecodeTo(text.constData(), text.size(), buffer.data());
    return buffer.data();
}

inline bool IsBlank(char16_t c) {
    return c == u' ';
}
// Every character outside ASCII came from a double-byte character of the GBK text.
inline bool IsWide(char16_t c) {
    return c >= 0x80;
}

// Breaks one paragraph (text without line breaks) at the width and calls
// addLine(begin, end, width) per line. Break chances lie after blanks and before and after every
// wide character; blanks at a break belong to neither line. A word that does not fit on a line of
// its own is cut after the last character that fits, and every line takes at least one
// character so that a too-narrow width still ends.
template <typename AddLine>
void BreakParagraph(const char16_t* s, int begin, int end, int maxWidth, FontEntry& fe,
                    AddLine& addLine) {
    if (begin == end) {
        addLine(begin, begin, 0);
        return;
    }
    int pos = begin;
    bool firstLine = true;
    while (pos < end) {
        if (!firstLine) {
            while (pos < end && IsBlank(s[pos]))
                ++pos;
            if (pos == end) return;
        }
        firstLine = false;
        int width = 0;
        int visEnd = pos, visWidth = 0;    // line up to its last non-blank character
        int breakEnd = -1, breakWidth = 0; // last break chance on this line
        int i = pos;
        bool broke = false;
        for (; i < end; ++i) {
            const char16_t c = s[i];
            const int advance = fe.Advance(c);
            if (IsBlank(c)) {
                width += advance; // trailing blanks never force a wrap
                continue;
            }
            if (i > pos && visEnd > pos && (IsBlank(s[i - 1]) || IsWide(c) || IsWide(s[i - 1]))) {
                breakEnd = visEnd;
                breakWidth = visWidth;
            }
            if (i > pos && width + advance > maxWidth) {
                if (breakEnd > pos) {
                    addLine(pos, breakEnd, breakWidth);
                    pos = breakEnd;
                } else {
                    addLine(pos, i, width);
                    pos = i;
                }
                broke = true;
                break;
            }
            width += advance;
            visEnd = i + 1;
            visWidth = width;
        }
        if (!broke) {
            // The paragraph's own trailing blanks stay, but count only as far as the line reaches.
            addLine(pos, end, qMax(visWidth, qMin(width, maxWidth)));
            return;
        }
    }
}

// The one line-breaking routine: CR LF, a lone LF or a lone CR ends a paragraph; an empty
// paragraph is an empty line, except the one after a final line break.
template <typename AddLine>
void BreakText(const char16_t* s, int size, int maxWidth, FontEntry& fe, AddLine&& addLine) {
    int pos = 0;
    while (pos < size) {
        int end = pos;
        while (end < size && s[end] != u'\r' && s[end] != u'\n')
            ++end;
        BreakParagraph(s, pos, end, maxWidth, fe, addLine);
        if (end == size) break;
        pos = end + ((s[end] == u'\r' && end + 1 < size && s[end + 1] == u'\n') ? 2 : 1);
    }
}

int AlignedX(const TRect& rect, HAlign align, int width) {
    switch (align) {
    case HAlign::Center:
        return rect.left + (rect.Width() - width) / 2;
    case HAlign::Right:
        return rect.right - width;
    case HAlign::Left:
        break;
    }
    return rect.left;
}

// True when ink known to lie at `box` from `origin` (nothing: unknown) is inside `inside`.
bool InkInside(const std::optional<QRectF>& box, QPointF origin, const QRectF& inside) {
    return box && (box->isNull() || inside.contains(box->translated(origin)));
}

// Calls draw() with the painter set to the font and colour and clipped to `rect`.
// inkInside(ink, inside) answers whether all that draw() draws has its ink within `inside`.
template <typename InkInsideFn, typename DrawFn>
void DrawClipped(QPainter& painter, FontEntry& fe, const TRect& rect, const QColor& color,
                 const InkInsideFn& inkInside, const DrawFn& draw) {
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->isExtended() || painter.hasClipping() ||
        painter.viewTransformEnabled()) {
        painter.save();
        painter.setClipRect(rect.ToQRect(), Qt::IntersectClip);
        painter.setFont(fe.font);
        painter.setPen(color);
        draw();
        painter.restore();
        return;
    }
    // A printer (the PDF writer) writes its whole graphics state for every save, restore and
    // change of clip. The clip is left out where the ink lies inside it, as it then changes no
    // pixel. Font and pen are set before the clip so that it is written once with them, and
    // the clip is ended with the transform reset and no pen, which makes that state a few
    // bytes: what follows a cell's text is mostly the next cell's borders, drawn in device
    // pixels without a pen. The font stays set: setting a font makes the painter look it up
    // again for the device, and consecutive cells nearly always share one.
    const QTransform world = painter.worldTransform();
    // Only for the PDF writer, whose readers' rounding the margin below allows for; a recording
    // engine (OFD) keeps every clip as the text's own.
    bool clip = world.type() > QTransform::TxScale || !painter.device() ||
                engine->type() != QPaintEngine::Pdf;
    if (!clip) {
        QPaintDevice* device = painter.device();
        // A reader draws a glyph at a whole pixel vertically and a quarter pixel horizontally,
        // so its ink may move by half a pixel and an eighth: a margin of that for pixels of
        // 1/36 inch (a page seen whole on a screen) and smaller, on top of a tenth of a
        // document pixel for the outlines the PDF embeds.
        const double mx = 0.1 + device->logicalDpiX() / 288.0 / std::abs(world.m11());
        const double my = 0.1 + device->logicalDpiY() / 72.0 / std::abs(world.m22());
        clip = !inkInside(fe.Ink(device), QRectF(rect.ToQRect()).adjusted(mx, my, -mx, -my));
    }
    const QPen pen = painter.pen();
    if (painter.font() != fe.font) painter.setFont(fe.font);
    painter.setPen(color);
    if (clip) painter.setClipRect(rect.ToQRect(), Qt::IntersectClip);
    draw();
    painter.setWorldTransform(QTransform());
    painter.setPen(Qt::NoPen);
    if (clip) painter.setClipping(false);
    painter.setWorldTransform(world);
    painter.setPen(pen);
}

} // namespace

HAlign HAlignFromInt(int horzAlign) {
    if (horzAlign == 1) return HAlign::Center;
    if (horzAlign == 2) return HAlign::Right;
    return HAlign::Left;
}

TextLayoutResult TextLayout::Layout(const LOGFONTA& font, const QByteArray& gbkText,
                                    const TRect& rect, HAlign align) {
    FontEntry& fe = Cache().Get(font);
    TextLayoutResult result;
    result.lineHeight = fe.height;
    qsizetype size = 0;
    const char16_t* s = DecodeToBuffer(gbkText, &size);
    auto addLine = [&](int begin, int end, int width) {
        result.lines.append(
            TextLine{QString(reinterpret_cast<const QChar*>(s + begin), end - begin),
                     AlignedX(rect, align, width), width});
    };
    BreakText(s, int(size), rect.Width(), fe, addLine);
    return result;
}

TRect TextLayout::CalcRect(const LOGFONTA& font, const QByteArray& gbkText, const TRect& rect,
                           HAlign) {
    FontEntry& fe = Cache().Get(font);
    qsizetype size = 0;
    const char16_t* s = DecodeToBuffer(gbkText, &size);
    int lines = 0;
    BreakText(s, int(size), rect.Width(), fe, [&lines](int, int, int) { ++lines; });
    TRect r = rect;
    r.bottom = rect.top + lines * fe.height;
    return r;
}

void TextLayout::Draw(QPainter& painter, const LOGFONTA& font, const QByteArray& gbkText,
                      const TRect& rect, HAlign align, const QColor& color) {
    if (rect.IsEmpty() || gbkText.isEmpty()) return;
    const TextLayoutResult layout = Layout(font, gbkText, rect, align);
    FontEntry& fe = Cache().Get(font);
    // A line with characters the face draws nothing for goes in runs: those characters in the
    // fallback faces, each on the advance the layout measured for it.
    const auto drawLine = [&](const QString& text, int x, int baseline) {
        const char16_t* c = reinterpret_cast<const char16_t*>(text.constData());
        const qsizetype n = text.size();
        qsizetype i = 0;
        while (i < n && !fe.DrawsNothing(c[i]))
            ++i;
        if (i == n) {
            double pen = x;
            const auto place = [&](qsizetype k, TextInk& ink) {
                const double at = pen;
                pen += ink.Advance(c[k]);
                return at;
            };
            if (const std::optional<QGlyphRun> run = fe.GlyphRun(painter, text, place))
                painter.drawGlyphRun(QPointF(0, baseline), *run);
            else
                painter.drawText(QPoint(x, baseline), text);
            return;
        }
        qsizetype start = 0;
        int runX = x;
        for (i = 0; i <= n; ++i) {
            if (i < n && !fe.DrawsNothing(c[i])) continue;
            if (i > start) painter.drawText(QPoint(runX, baseline), text.mid(start, i - start));
            for (qsizetype k = start; k < i; ++k)
                runX += fe.Advance(c[k]);
            if (i == n) break;
            painter.setFont(fe.Fallback());
            painter.drawText(QPoint(runX, baseline), QString(QChar(c[i])));
            painter.setFont(fe.font);
            runX += fe.Advance(c[i]);
            start = i + 1;
        }
    };
    // Calls draw(line, baseline) for every line that is drawn: like an edit control, a line
    // cut off at the bottom is left out, but the first line is always shown (clipped) so that
    // a too-short rectangle is not blank.
    const auto forDrawnLines = [&](const auto& draw) {
        for (qsizetype i = 0; i < layout.lines.size(); ++i) {
            const int top = rect.top + int(i) * layout.lineHeight;
            if (top >= rect.bottom || (i > 0 && top + layout.lineHeight > rect.bottom)) return;
            const TextLine& line = layout.lines[i];
            if (!line.text.isEmpty()) draw(line, top + fe.ascent);
        }
    };
    const auto drawLines = [&] {
        forDrawnLines(
            [&](const TextLine& line, int baseline) { drawLine(line.text, line.x, baseline); });
    };
    const auto inkInside = [&](TextInk& ink, const QRectF& inside) {
        bool all = true;
        forDrawnLines([&](const TextLine& line, int baseline) {
            all = all && InkInside(ink.Of(line.text), QPointF(line.x, baseline), inside);
        });
        return all;
    };
    DrawClipped(painter, fe, rect, color, inkInside, drawLines);
}

void TextLayout::DrawSpread(QPainter& painter, const LOGFONTA& font, const QString& chars,
                            const QVector<TRect>& columns, int top, const TRect& clip,
                            const QColor& color) {
    if (clip.IsEmpty() || chars.isEmpty()) return;
    FontEntry& fe = Cache().Get(font);
    const qsizetype n = std::min(chars.size(), qsizetype(columns.size()));
    const auto x = [&](qsizetype i) {
        return AlignedX(columns[i], HAlign::Center, fe.Advance(chars[i].unicode()));
    };
    const auto inkInside = [&](TextInk& ink, const QRectF& inside) {
        for (qsizetype i = 0; i < n; ++i)
            if (!InkInside(ink.Of(chars.sliced(i, 1)), QPointF(x(i), top + fe.ascent), inside))
                return false;
        return true;
    };
    DrawClipped(painter, fe, clip, color, inkInside, [&] {
        const auto place = [&](qsizetype i, TextInk&) { return double(x(i)); };
        if (const std::optional<QGlyphRun> run = fe.GlyphRun(painter, chars.first(n), place)) {
            painter.drawGlyphRun(QPointF(0, top + fe.ascent), *run);
            return;
        }
        for (qsizetype i = 0; i < n; ++i)
            painter.drawText(QPoint(x(i), top + fe.ascent), chars.sliced(i, 1));
    });
}

int TextLayout::LineHeight(const LOGFONTA& font) {
    return Cache().Get(font).height;
}

int TextLayout::CharHeight(const LOGFONTA& font) {
    return Cache().Get(font).height;
}

} // namespace karvell
