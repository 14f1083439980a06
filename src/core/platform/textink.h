#pragma once
// Where a line of text puts its ink, known without shaping the line. Shaping a line costs as
// much as drawing it, but for most text it is not needed: where no OpenType feature that text
// shaping applies by default substitutes or moves the glyph of any of the line's characters,
// each character is drawn as its own glyph in the font's primary face, one advance after the
// other. Characters for which that is not certain (other faces, marks, ligatures, kerning pairs,
// scripts with shapers of their own) answer "unknown", as do fonts the painter decorates or
// transforms (underline, synthetic bold or italic, spacing).
//
// A printer's painter uses it to leave out a text's clip where the ink lies inside the clip:
// there the clip changes no pixel, and on the PDF writer every clip costs a graphics state
// written whole, more than the text itself.
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QRectF>
#include <memory>
#include <optional>

class QPaintDevice;

namespace karvell {

class TextInk {
public:
    // The font as the painter draws it on `device`.
    TextInk(const QFont& font, QPaintDevice* device);
    ~TextInk();
    TextInk(const TextInk&) = delete;
    TextInk& operator=(const TextInk&) = delete;

    // The box around the ink of `text` drawn from (0, 0) on the baseline, y down, in the font's
    // pixels (a null box for text without ink); nothing when it cannot be known without
    // shaping the text.
    std::optional<QRectF> Of(const QString& text);

    // Characters whose drawing is known in this font. False for every character of a font
    // the painter decorates or that shaping may change.
    bool Known(char16_t c) { return m_usable && Measure(c).known; }
    // The advance of a known character: the painter sets the next one that far on.
    double Advance(char16_t c) { return Measure(c).advance; }

private:
    struct Glyph {
        bool known = false;
        double advance = 0;
        QRectF ink; // from the glyph's origin; null without ink
    };
    const Glyph& Measure(char16_t c);
    Glyph MeasureNew(char16_t c);

    struct Shaping; // glyphs that default shaping features touch, per face
    std::unique_ptr<Shaping> m_shaping;
    QRawFont m_raw;
    std::optional<QFontMetricsF> m_metrics;
    bool m_usable = false;
    Glyph m_ascii[128];
    bool m_asciiDone[128] = {};
    QHash<char16_t, Glyph> m_others;
};

} // namespace karvell
