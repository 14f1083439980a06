#pragma once
// The stand-in for DrawText with DT_WORDBREAK | DT_EDITCONTROL and an alignment flag.
// One routine breaks the text into lines for both measuring and drawing, so they never disagree.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QVector>

#include "platform/logfont.h"
#include "platform/rect.h"

class QPainter;

namespace karvell {

// 0 left, 1 centre, 2 right; any other value acts as left.
enum class HAlign { Left = 0, Center = 1, Right = 2 };
HAlign HAlignFromInt(int horzAlign);

struct TextLine {
    QString text; // the characters of the line, blanks at a break removed
    int x = 0;    // left edge of the line, aligned inside the rectangle
    int width = 0;
};

struct TextLayoutResult {
    QVector<TextLine> lines;
    int lineHeight = 0; // ascent + descent of the font
    int Height() const { return lineHeight * lines.size(); }
};

class TextLayout {
public:
    // Breaks GBK text into lines for the rectangle's width: CR LF breaks lines; words wrap with
    // break chances after blanks and before and after every double-byte character; a word wider
    // than the line is broken at the last character that fits; blanks at a break do not count;
    // a final empty line after a trailing CR LF is not counted.
    static TextLayoutResult Layout(const LOGFONTA& font, const QByteArray& gbkText,
                                   const TRect& rect, HAlign align);
    // DT_CALCRECT: the rectangle with its bottom moved to top + number of lines × line height.
    static TRect CalcRect(const LOGFONTA& font, const QByteArray& gbkText, const TRect& rect,
                          HAlign align);
    // Draws the text into the rectangle in document pixels, clipped to it; a partly visible
    // last line is not drawn (the first line always is, clipped). Uses the painter's current
    // transform. On a printer's painter (a paint engine that is not a QPaintEngineEx) the
    // painter keeps the font afterwards, and the clip is left out where the text's ink lies
    // inside it (textink.h).
    static void Draw(QPainter& painter, const LOGFONTA& font, const QByteArray& gbkText,
                     const TRect& rect, HAlign align, const QColor& color);
    // Draws character i of `chars` centred in columns[i] (digit columns), on one line from
    // `top`, clipped to `clip`; font and colour are set once for all of them. On a printer's
    // painter as Draw(), and the characters go as one run of glyphs where that draws the same.
    static void DrawSpread(QPainter& painter, const LOGFONTA& font, const QString& chars,
                           const QVector<TRect>& columns, int top, const TRect& clip,
                           const QColor& color);
    // Height of one line of the font (ascent + descent), from the metrics cache.
    static int LineHeight(const LOGFONTA& font);
    // Height of "A" in the font, as DrawText measures it (one line).
    static int CharHeight(const LOGFONTA& font);
};

} // namespace karvell
