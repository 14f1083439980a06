#include "platform/textink.h"

#include <QFontDatabase>
#include <QPainterPath>
#include <hb-ot.h>
#include <hb.h>

#include <iterator>

namespace karvell {
namespace {

// The features text shaping applies by default to horizontal text of the scripts this class
// accepts (Common, Latin, Han), and the required ones of every script. Mark positioning
// (mark, mkmk, abvm, blwm) moves only mark glyphs, and marks are never known; frac, numr and
// dnom apply only around U+2044, which is never known either.
constexpr char kDefaultFeatures[][5] = {"ccmp", "locl", "rlig", "rvrn", "ltra", "ltrm",
                                        "rand", "calt", "clig", "curs", "dist", "kern",
                                        "liga", "rclt", "init", "medi", "fina", "isol"};

// Tables that make shaping change glyphs outside OpenType's feature lists: the old kerning
// table and Apple's layout tables.
constexpr const char* kOtherLayoutTables[] = {"kern", "morx", "mort", "kerx", "trak"};

hb_blob_t* TableOf(hb_face_t*, hb_tag_t tag, void* rawFont) {
    if (tag == HB_TAG_NONE) return hb_blob_get_empty();
    const char name[5] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag), 0};
    auto* bytes = new QByteArray(static_cast<const QRawFont*>(rawFont)->fontTable(name));
    return hb_blob_create(bytes->constData(), unsigned(bytes->size()), HB_MEMORY_MODE_READONLY,
                          bytes, [](void* p) { delete static_cast<QByteArray*>(p); });
}

bool SameFace(const QRawFont& a, const QRawFont& b) {
    return a.isValid() && b.isValid() && a.familyName() == b.familyName() &&
           a.styleName() == b.styleName();
}

// Characters drawn one glyph each by the default shaper: no marks, controls, formats,
// separators or surrogates, and only scripts whose face the primary face is checked to be.
bool PlainCharacter(char16_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || c == 0x2044) return false;
    if (QChar::isSurrogate(c)) return false;
    switch (QChar::category(char32_t(c))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        break;
    }
    const QChar::Script script = QChar::script(char32_t(c));
    return script == QChar::Script_Common || script == QChar::Script_Latin ||
           script == QChar::Script_Han;
}

// The painter draws the font as its glyphs' outlines: no decoration, spacing, case mapping,
// stretch or synthesized style.
bool Undecorated(const QFont& font, const QRawFont& face) {
    if (font.pixelSize() <= 0 || font.underline() || font.strikeOut() || font.overline() ||
        font.capitalization() != QFont::MixedCase || font.wordSpacing() != 0)
        return false;
    const bool noLetterSpacing = font.letterSpacingType() == QFont::PercentageSpacing
                                     ? font.letterSpacing() == 100 || font.letterSpacing() == 0
                                     : font.letterSpacing() == 0;
    if (!noLetterSpacing) return false;
    if (font.stretch() != QFont::AnyStretch && font.stretch() != QFont::Unstretched) return false;
    // Bold or italic asked of a face that is neither is drawn emboldened or slanted. The face's
    // own name tells; its weight and style as Qt reports them may be the ones asked for.
    const QString style = face.styleName();
    const auto named = [&style](std::initializer_list<const char*> words) {
        for (const char* word : words)
            if (style.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
        return false;
    };
    if (font.weight() > QFont::Medium && !named({"Bold", "Black", "Heavy"})) return false;
    if (font.style() != QFont::StyleNormal && !named({"Italic", "Oblique"})) return false;
    return true;
}

} // namespace

struct TextInk::Shaping {
    explicit Shaping(const QRawFont& raw) : touched(hb_set_create()) {
        for (const char* table : kOtherLayoutTables)
            if (!raw.fontTable(table).isEmpty()) return; // all unknown
        hb_tag_t features[std::size(kDefaultFeatures) + 1] = {};
        for (size_t i = 0; i < std::size(kDefaultFeatures); ++i)
            features[i] = hb_tag_from_string(kDefaultFeatures[i], 4);
        hb_face_t* face = hb_face_create_for_tables(TableOf, const_cast<QRawFont*>(&raw), nullptr);
        for (const hb_tag_t table : {HB_OT_TAG_GSUB, HB_OT_TAG_GPOS}) {
            hb_set_t* lookups = hb_set_create();
            hb_ot_layout_collect_lookups(face, table, nullptr, nullptr, features, lookups);
            hb_codepoint_t lookup = HB_SET_VALUE_INVALID;
            while (hb_set_next(lookups, &lookup))
                hb_ot_layout_lookup_collect_glyphs(face, table, lookup, touched, touched, touched,
                                                   nullptr);
            hb_set_destroy(lookups);
        }
        // Shaping gives glyphs the font classes as marks no advance of their own.
        gdefMarks = hb_set_create();
        hb_ot_layout_get_glyphs_in_class(face, HB_OT_LAYOUT_GLYPH_CLASS_MARK, gdefMarks);
        hb_face_destroy(face);
        valid = hb_set_allocation_successful(touched) && hb_set_allocation_successful(gdefMarks);
    }
    ~Shaping() {
        hb_set_destroy(touched);
        hb_set_destroy(gdefMarks);
    }
    Shaping(const Shaping&) = delete;
    Shaping& operator=(const Shaping&) = delete;
    bool Plain(quint32 glyph) const {
        return valid && !hb_set_has(touched, glyph) && !hb_set_has(gdefMarks, glyph);
    }

    hb_set_t* touched;
    hb_set_t* gdefMarks = nullptr;
    bool valid = false;
};

TextInk::TextInk(const QFont& font, QPaintDevice* device) {
    // The face of each script this class accepts must be the same one: shaping gives Common
    // characters the script of their neighbours, and each script its own face.
    // Outlines as designed, as the PDF embeds them: hinting moves their points.
    QFont unhinted = font;
    unhinted.setHintingPreference(QFont::PreferNoHinting);
    m_raw = QRawFont::fromFont(unhinted, QFontDatabase::SimplifiedChinese);
    if (!SameFace(m_raw, QRawFont::fromFont(unhinted, QFontDatabase::Any)) ||
        !SameFace(m_raw, QRawFont::fromFont(unhinted, QFontDatabase::Latin)) ||
        !Undecorated(font, m_raw))
        return;
    m_raw.setPixelSize(font.pixelSize());
    m_metrics.emplace(font, device);
    m_shaping = std::make_unique<Shaping>(m_raw);
    m_usable = m_shaping->valid;
    if (!m_usable) return;
    // The per-character advances must add up to what the painter measures for a line.
    QString probe;
    double sum = 0;
    for (const QChar c : QStringLiteral("0123456789 .,-:/()ABCxyz金额合计，。")) {
        const Glyph& g = Measure(c.unicode());
        if (!g.known) continue;
        probe += c;
        sum += g.advance;
    }
    m_usable = probe.size() >= 2 && sum == m_metrics->horizontalAdvance(probe);
}

TextInk::~TextInk() = default;

const TextInk::Glyph& TextInk::Measure(char16_t c) {
    if (c < 128) {
        if (!m_asciiDone[c]) {
            m_ascii[c] = MeasureNew(c);
            m_asciiDone[c] = true;
        }
        return m_ascii[c];
    }
    if (const auto it = m_others.constFind(c); it != m_others.constEnd()) return *it;
    return *m_others.insert(c, MeasureNew(c));
}

TextInk::Glyph TextInk::MeasureNew(char16_t c) {
    Glyph g;
    if (!m_shaping || !m_shaping->valid || !PlainCharacter(c)) return g;
    const QList<quint32> glyphs = m_raw.glyphIndexesForString(QString(QChar(c)));
    if (glyphs.size() != 1 || glyphs[0] == 0 || !m_shaping->Plain(glyphs[0])) return g;
    const QPainterPath outline = m_raw.pathForGlyph(glyphs[0]);
    // A glyph without outline may still be drawn from a bitmap: only a blank is inkless.
    if (outline.isEmpty() && !QChar::isSpace(char32_t(c))) return g;
    g.known = true;
    g.advance = m_metrics->horizontalAdvance(QChar(c));
    g.ink = outline.isEmpty() ? QRectF() : outline.controlPointRect();
    return g;
}

std::optional<QRectF> TextInk::Of(const QString& text) {
    if (!m_usable) return std::nullopt;
    QRectF box;
    double x = 0;
    for (const QChar c : text) {
        const Glyph& g = Measure(c.unicode());
        if (!g.known) return std::nullopt;
        if (!g.ink.isNull()) box |= g.ink.translated(x, 0);
        x += g.advance;
    }
    return box;
}

} // namespace karvell
