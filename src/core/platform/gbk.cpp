#include "platform/gbk.h"

#include <QStringDecoder>
#include <memory>

namespace karvell::Gbk {
namespace {

constexpr int kLeadFirst = 0x81;
constexpr int kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;
constexpr char16_t kReplacement = 0xFFFD;

// Code page 936 as two flat tables, built once from Qt's codec. Decoding and encoding through
// them is deterministic, never over-reads and costs no converter state per call, which matters
// because text is decoded on every measurement.
struct Tables {
    char16_t single[256];                                   // 0 = not a character
    char16_t pair[kLeadLast - kLeadFirst + 1][kTrailCount]; // 0 = invalid pair
    uint16_t encode[0x10000];                               // 0 = not encodable

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
    }
};

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
    const Tables& t = T();
    const qsizetype size = text.size();
    QByteArray result(size * 2, Qt::Uninitialized);
    char* out = result.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            out[n++] = '?';
            continue;
        }
        const uint16_t code = t.encode[c];
        if (c < 0x80) {
            out[n++] = char(c);
        } else if (code == 0) {
            out[n++] = '?';
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
    // Walk characters from the start: a lead byte followed by another byte is one character.
    qsizetype i = 0;
    while (i < maxBytes) {
        const qsizetype step = (IsLeadByte(uchar(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
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
