#include "platform/gbk.h"

#include <QStringDecoder>
#include <algorithm>
#include <memory>

#include "platform/gb18030tables.h"

namespace karvell::Gbk {
namespace {

constexpr int kLeadFirst = 0x81;
constexpr int kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;
constexpr char16_t kReplacement = 0xFFFD;

bool IsDigitByte(unsigned char c) {
    return c >= 0x30 && c <= 0x39;
}

// Code page 936 as two flat tables, built once from Qt's codec, completed to GB18030 with the
// standard's tables: the two-byte codes GBK lacks and the four-byte codes of every other
// character. Decoding and encoding through them is deterministic, never over-reads and costs
// no converter state per call, which matters because text is decoded on every measurement.
// The four-byte codes are taken from the standard rather than from a converter because not
// every Qt build carries a GB18030 converter, and the bytes a template holds must not depend
// on the build.
struct Tables {
    char16_t single[256];                                   // 0 = not a character
    char16_t pair[kLeadLast - kLeadFirst + 1][kTrailCount]; // 0 = invalid pair
    uint16_t encode[0x10000];                               // 0 = not encodable in two bytes
    uint16_t four[0x10000]; // four-byte index + 1 of a BMP character; 0 = none

    Tables() {
        QStringDecoder decoder("GBK");
        std::fill(std::begin(encode), std::end(encode), uint16_t(0));
        for (int b = 0; b < 0x80; ++b) {
            single[b] = char16_t(b);
            encode[b] = uint16_t(b);
        }
        for (int b = 0x80; b < 0x100; ++b) {
            single[b] = 0;
            if (IsLeadByte(uchar(b))) continue;
            const char byte = char(b);
            const QString u = decoder.decode(QByteArrayView(&byte, 1));
            decoder.resetState();
            if (u.size() == 1 && u[0].unicode() != kReplacement && !u[0].isSurrogate()) {
                single[b] = u[0].unicode();
                if (encode[single[b]] == 0) encode[single[b]] = uint16_t(b);
            }
        }
        // Every pair followed by a NUL, decoded in one call: the NULs keep the pairs apart
        // even where a pair is invalid and decodes to several characters.
        QByteArray all;
        all.reserve((kLeadLast - kLeadFirst + 1) * kTrailCount * 3);
        for (int l = kLeadFirst; l <= kLeadLast; ++l) {
            for (int t = kTrailFirst; t <= kTrailLast; ++t) {
                all.append(char(l));
                all.append(char(t));
                all.append('\0');
            }
        }
        const QString u = decoder.decode(all);
        qsizetype pos = 0;
        for (int l = kLeadFirst; l <= kLeadLast; ++l) {
            for (int t = kTrailFirst; t <= kTrailLast; ++t) {
                const qsizetype end = u.indexOf(QChar(0), pos);
                const qsizetype stop = end < 0 ? u.size() : end;
                char16_t c = 0;
                if (stop - pos == 1 && u[pos].unicode() != kReplacement && !u[pos].isSurrogate())
                    c = u[pos].unicode();
                pair[l - kLeadFirst][t - kTrailFirst] = c;
                if (c != 0 && encode[c] == 0) encode[c] = uint16_t((l << 8) | t);
                pos = stop + 1;
            }
        }
        // GB18030's two-byte additions, where GBK reads no character or a private-use one.
        for (const Gb18030::Pair& a : Gb18030::kTwoByteAdditions) {
            char16_t& c = pair[(a.bytes >> 8) - kLeadFirst][(a.bytes & 0xFF) - kTrailFirst];
            if (c == 0 || (c >= 0xE000 && c < 0xF900)) {
                // The private-use character it replaces keeps its four-byte code, if it has one.
                if (c != 0 && encode[c] == a.bytes) encode[c] = 0;
                c = a.code;
            }
            if (encode[a.code] == 0) encode[a.code] = a.bytes;
        }
        std::fill(std::begin(four), std::end(four), uint16_t(0));
        const int ranges = int(std::size(Gb18030::kBmpRanges));
        for (int r = 0; r < ranges; ++r) {
            const Gb18030::Range& range = Gb18030::kBmpRanges[r];
            const int end =
                r + 1 < ranges ? Gb18030::kBmpRanges[r + 1].linear : Gb18030::GB18030_BMP_CODES;
            for (int linear = range.linear; linear < end; ++linear) {
                const int code = range.code + linear - range.linear;
                if (code < 0x10000 && encode[code] == 0 && !QChar::isSurrogate(char32_t(code)))
                    four[code] = uint16_t(linear + 1);
            }
        }
    }
};

// The BMP character of a four-byte index below GB18030_BMP_CODES.
char16_t BmpCharacter(int linear) {
    const auto* begin = std::begin(Gb18030::kBmpRanges);
    const auto* end = std::end(Gb18030::kBmpRanges);
    const auto* it = std::upper_bound(
        begin, end, linear, [](int l, const Gb18030::Range& r) { return l < int(r.linear); });
    if (it == begin) return kReplacement;
    --it;
    return char16_t(it->code + linear - it->linear);
}

// The four-byte index of p[0..3], or -1 when they are no four-byte code.
int FourByteIndex(const unsigned char* p, qsizetype available) {
    if (available < 4 || !IsLeadByte(p[0]) || !IsDigitByte(p[1]) || !IsLeadByte(p[2]) ||
        !IsDigitByte(p[3]))
        return -1;
    return (((p[0] - 0x81) * 10 + (p[1] - 0x30)) * 126 + (p[2] - 0x81)) * 10 + (p[3] - 0x30);
}

void PutFourBytes(int linear, char* out) {
    out[3] = char(0x30 + linear % 10);
    linear /= 10;
    out[2] = char(0x81 + linear % 126);
    linear /= 126;
    out[1] = char(0x30 + linear % 10);
    out[0] = char(0x81 + linear / 10);
}

// Bytes of the character at p: 4 for a four-byte code, 2 for a lead byte and another byte, 1
// otherwise.
qsizetype CharBytes(const unsigned char* p, qsizetype available) {
    if (FourByteIndex(p, available) >= 0) return 4;
    return (IsLeadByte(p[0]) && available > 1) ? 2 : 1;
}

const Tables& T() {
    static const std::unique_ptr<Tables> tables = std::make_unique<Tables>();
    return *tables;
}

} // namespace

bool IsLeadByte(unsigned char c) {
    return c >= kLeadFirst && c <= kLeadLast;
}

qsizetype DecodeTo(const char* bytes, qsizetype size, char16_t* out) {
    const Tables& t = T();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype n = 0;
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out[n++] = b;
            ++i;
        } else if (const int linear = FourByteIndex(p + i, size - i); linear >= 0) {
            // Four bytes give one or two UTF-16 units, so the output never outgrows the input.
            if (linear < Gb18030::GB18030_BMP_CODES) {
                out[n++] = BmpCharacter(linear);
                i += 4;
            } else if (linear >= Gb18030::GB18030_SUPPLEMENTARY_BASE &&
                       linear <= Gb18030::GB18030_LAST_INDEX) {
                const char32_t code =
                    char32_t(0x10000 + linear - Gb18030::GB18030_SUPPLEMENTARY_BASE);
                out[n++] = QChar::highSurrogate(code);
                out[n++] = QChar::lowSurrogate(code);
                i += 4;
            } else {
                out[n++] = kReplacement; // an unassigned code costs its lead byte, as in GBK
                ++i;
            }
        } else if (IsLeadByte(b)) {
            char16_t c = 0;
            if (i + 1 < size && p[i + 1] >= kTrailFirst && p[i + 1] <= kTrailLast)
                c = t.pair[b - kLeadFirst][p[i + 1] - kTrailFirst];
            if (c != 0) {
                out[n++] = c;
                i += 2;
            } else {
                // An invalid pair costs only its lead byte: the next byte is read afresh.
                out[n++] = kReplacement;
                ++i;
            }
        } else {
            out[n++] = t.single[b] ? t.single[b] : kReplacement;
            ++i;
        }
    }
    return n;
}

QString Decode(const QByteArray& bytes) {
    QString result(bytes.size(), Qt::Uninitialized);
    const qsizetype n =
        DecodeTo(bytes.constData(), bytes.size(), reinterpret_cast<char16_t*>(result.data()));
    result.truncate(n);
    return result;
}

QByteArray Encode(const QString& text) {
    return Encode(text, '?');
}

QByteArray EncodeStorable(const QString& text) {
    return Encode(text, 0);
}

QByteArray Encode(const QString& text, char replacement) {
    const Tables& t = T();
    const qsizetype size = text.size();
    QByteArray result(size * 4, Qt::Uninitialized);
    char* out = result.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t code = QChar::surrogateToUcs4(c, text[++i].unicode());
            PutFourBytes(Gb18030::GB18030_SUPPLEMENTARY_BASE + int(code - 0x10000), out + n);
            n += 4;
            continue;
        }
        const uint16_t code = t.encode[c];
        if (c < 0x80) {
            out[n++] = char(c);
        } else if (code == 0 && t.four[c] != 0) {
            PutFourBytes(t.four[c] - 1, out + n);
            n += 4;
        } else if (code == 0) {
            if (replacement) out[n++] = replacement;
        } else if (code < 0x100) {
            out[n++] = char(code);
        } else {
            out[n++] = char(code >> 8);
            out[n++] = char(code & 0xFF);
        }
    }
    result.truncate(n);
    return result;
}

QByteArray Upper(const QByteArray& bytes) {
    QByteArray result = bytes;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return result;
}

QByteArray TruncateBytes(const QByteArray& bytes, int maxBytes) {
    if (maxBytes <= 0) return QByteArray();
    if (bytes.size() <= maxBytes) return bytes;
    // Walk characters from the start: a four-byte code, or a lead byte followed by another
    // byte, is one character.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype i = 0;
    while (i < maxBytes) {
        const qsizetype step = CharBytes(p + i, bytes.size() - i);
        if (i + step > maxBytes) break;
        i += step;
    }
    return bytes.left(i);
}

QByteArray ExtractBracketText(const QByteArray& text, const QByteArray& open,
                              const QByteArray& close) {
    const qsizetype start = text.indexOf(open);
    if (start < 0 || open.isEmpty()) return {};
    const qsizetype from = start + open.size();
    const qsizetype stop = text.indexOf(close); // the first one, as the design counts
    if (stop < from) return {};
    return text.mid(from, stop - from);
}

} // namespace karvell::Gbk
