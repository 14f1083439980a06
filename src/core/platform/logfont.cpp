#include "platform/logfont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/dpi.h"
#include "platform/gbk.h"

namespace karvell {
namespace {

// The installed faces that stand in for the Windows Chinese faces.
const char* const kSong = "AR PL UMing CN";
const char* const kSongAlt = "Noto Serif CJK SC";
const char* const kKai = "AR PL UKai CN";
const char* const kHei = "Noto Sans CJK SC";

// Sizes beyond any page are cut here so that a damaged file cannot ask for giant glyphs.
constexpr int kMaxPixelSize = 4000;

struct Substitution {
    const char* windowsFace; // UTF-8
    QStringList substitutes;
};

const QList<Substitution>& Substitutions() {
    static const QList<Substitution> list = {
        {"宋体", {kSong, kSongAlt}},
        {"新宋体", {kSong, kSongAlt}},
        {"SimSun", {kSong, kSongAlt}},
        {"NSimSun", {kSong, kSongAlt}},
        {"楷体_GB2312", {kKai}},
        {"楷体", {kKai}},
        {"KaiTi", {kKai}},
        {"KaiTi_GB2312", {kKai}},
        {"黑体", {kHei}},
        {"SimHei", {kHei}},
    };
    return list;
}

// Families tried in order for a face: the face itself, its substitutes, then the CJK faces,
// so that a face unknown here still shows Chinese text in a Song face.
QStringList FamiliesFor(const QString& face) {
    QStringList families;
    if (!face.isEmpty()) families << face;
    for (const Substitution& s : Substitutions()) {
        if (face.compare(QString::fromUtf8(s.windowsFace), Qt::CaseInsensitive) == 0) {
            families << s.substitutes;
            break;
        }
    }
    for (const char* fallback : {kSong, kSongAlt, kHei})
        if (!families.contains(QString::fromLatin1(fallback)))
            families << QString::fromLatin1(fallback);
    return families;
}

int32_t ReadI32(const char* p) {
    uint32_t v = uint32_t(uchar(p[0])) | uint32_t(uchar(p[1])) << 8 | uint32_t(uchar(p[2])) << 16 |
                 uint32_t(uchar(p[3])) << 24;
    return int32_t(v);
}

void WriteI32(char* p, int32_t value) {
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

// The pixel size whose ascent + descent is the given cell height: the largest size not taller
// than it (at least 1). Heights grow with the size, so a short search from the estimate is enough.
int PixelSizeForCellHeight(QFont font, int cellHeight) {
    auto heightAt = [&font](int px) {
        font.setPixelSize(px);
        return QFontMetrics(font).height();
    };
    const int reference = 100;
    const int refHeight = qMax(1, heightAt(reference));
    int px = qBound(1, int(qint64(cellHeight) * reference / refHeight), kMaxPixelSize);
    while (px > 1 && heightAt(px) > cellHeight)
        --px;
    while (px < kMaxPixelSize && heightAt(px + 1) <= cellHeight)
        ++px;
    return px;
}

} // namespace

bool LOGFONTA::operator==(const LOGFONTA& o) const {
    return std::memcmp(this, &o, sizeof(*this)) == 0;
}

LOGFONTA DefaultCellFont() {
    static const LOGFONTA font = [] {
        LOGFONTA f;
        f.lfHeight = -Round05(LOGPIXELSY * 120.0 / 720.0);
        f.lfCharSet = DEFAULT_CHARSET;
        SetFaceName(f, QStringLiteral("宋体"));
        return f;
    }();
    return font;
}

QByteArray LogFontToBytes(const LOGFONTA& f) {
    QByteArray b(60, '\0');
    char* p = b.data();
    WriteI32(p + 0, f.lfHeight);
    WriteI32(p + 4, f.lfWidth);
    WriteI32(p + 8, f.lfEscapement);
    WriteI32(p + 12, f.lfOrientation);
    WriteI32(p + 16, f.lfWeight);
    p[20] = char(f.lfItalic);
    p[21] = char(f.lfUnderline);
    p[22] = char(f.lfStrikeOut);
    p[23] = char(f.lfCharSet);
    p[24] = char(f.lfOutPrecision);
    p[25] = char(f.lfClipPrecision);
    p[26] = char(f.lfQuality);
    p[27] = char(f.lfPitchAndFamily);
    std::memcpy(p + 28, f.lfFaceName, 32);
    return b;
}

LOGFONTA LogFontFromBytes(const char* data60) {
    LOGFONTA f;
    f.lfHeight = ReadI32(data60 + 0);
    f.lfWidth = ReadI32(data60 + 4);
    f.lfEscapement = ReadI32(data60 + 8);
    f.lfOrientation = ReadI32(data60 + 12);
    f.lfWeight = ReadI32(data60 + 16);
    f.lfItalic = uint8_t(data60[20]);
    f.lfUnderline = uint8_t(data60[21]);
    f.lfStrikeOut = uint8_t(data60[22]);
    f.lfCharSet = uint8_t(data60[23]);
    f.lfOutPrecision = uint8_t(data60[24]);
    f.lfClipPrecision = uint8_t(data60[25]);
    f.lfQuality = uint8_t(data60[26]);
    f.lfPitchAndFamily = uint8_t(data60[27]);
    std::memcpy(f.lfFaceName, data60 + 28, 32);
    return f;
}

QString FaceName(const LOGFONTA& f) {
    // A stored face name need not be NUL-terminated within its 32 bytes.
    const qsizetype len = qstrnlen(f.lfFaceName, sizeof(f.lfFaceName));
    return Gbk::Decode(QByteArray(f.lfFaceName, len));
}

void SetFaceName(LOGFONTA& f, const QString& face) {
    const QByteArray bytes = Gbk::TruncateBytes(Gbk::Encode(face), int(sizeof(f.lfFaceName)) - 1);
    std::memset(f.lfFaceName, 0, sizeof(f.lfFaceName));
    std::memcpy(f.lfFaceName, bytes.constData(), size_t(bytes.size()));
}

QFont FontFromLogFont(const LOGFONTA& f) {
    QFont font;
    font.setFamilies(FamiliesFor(FaceName(f)));
    font.setStyleStrategy(QFont::PreferAntialias);
    if (f.lfWeight <= 0)
        font.setWeight(QFont::Normal);
    else
        font.setWeight(QFont::Weight(qBound(1, int(f.lfWeight), 1000)));
    font.setItalic(f.lfItalic != 0);
    font.setUnderline(f.lfUnderline != 0);
    font.setStrikeOut(f.lfStrikeOut != 0);
    // Height 0 asks for the default size, which is the 12-point cell font here.
    const int32_t height = f.lfHeight == 0 ? DefaultCellFont().lfHeight : f.lfHeight;
    if (height < 0)
        font.setPixelSize(height < -kMaxPixelSize ? kMaxPixelSize : -height);
    else
        font.setPixelSize(PixelSizeForCellHeight(font, qMin(height, kMaxPixelSize)));
    return font;
}

LOGFONTA LogFontFromFont(const QFont& font, const LOGFONTA& base) {
    LOGFONTA f = base;
    int px = font.pixelSize();
    if (px <= 0) px = Round05(font.pointSizeF() * LOGPIXELSY / 72.0);
    f.lfHeight = -qMax(1, px);
    f.lfWeight = int32_t(font.weight());
    f.lfItalic = font.italic() ? 1 : 0;
    f.lfUnderline = font.underline() ? 1 : 0;
    f.lfStrikeOut = font.strikeOut() ? 1 : 0;
    // Keep a Windows face name ("宋体") when the chosen family is the one it resolves to.
    const QString family = font.family();
    if (family != QFontInfo(FontFromLogFont(base)).family()) SetFaceName(f, family);
    return f;
}

int PointSizeOf(const LOGFONTA& f) {
    const long long height = f.lfHeight < 0 ? -(long long)f.lfHeight : f.lfHeight;
    return int((height * 720 / LOGPIXELSY) / 10);
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = (long long)a * b;
    const bool negative = (product < 0) != (c < 0);
    const long long n = product < 0 ? -product : product;
    const long long d = c < 0 ? -(long long)c : c;
    const long long q = (n + d / 2) / d;
    const long long r = negative ? -q : q;
    if (r > INT_MAX || r < INT_MIN) return -1;
    return int(r);
}

int LeadingSize(const QString& text, int fallback) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const qsizetype digits = i;
    long long value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && value < 100000)
        value = value * 10 + (text[i++].unicode() - u'0');
    if (i == digits || negative || value < 1) return fallback;
    return int(std::min<long long>(value, 100000));
}

LOGFONTA BarLogFont(const QString& face, int points, bool bold, bool italic, bool underline) {
    LOGFONTA f;
    f.lfHeight = -MulDiv(points, LOGPIXELSY, 72);
    f.lfWeight = bold ? 700 : 400;
    f.lfItalic = italic ? 1 : 0;
    f.lfUnderline = underline ? 1 : 0;
    f.lfCharSet = DEFAULT_CHARSET;
    SetFaceName(f, face);
    return f;
}

void InstallFontSubstitutions() {
    for (const Substitution& s : Substitutions())
        QFont::insertSubstitutions(QString::fromUtf8(s.windowsFace), s.substitutes);
}

QStringList WindowsFaceNames() {
    return {QStringLiteral("宋体"), QStringLiteral("新宋体"), QStringLiteral("楷体_GB2312"),
            QStringLiteral("黑体")};
}

} // namespace karvell
