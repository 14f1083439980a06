// BMP file images: delimiting them inside template streams, decoding and encoding.
#include "model/picture.h"

#include <QtEndian>
#include <algorithm>
#include <bit>

#include "model/limits.h"
#include "model/picture_p.h"

namespace karvell {
namespace {

constexpr qint64 kMaxBmpBytes = 512LL * 1024 * 1024;
// A decoded picture is held to the image limit of everything painted (limits.h).
constexpr qint64 kMaxPixels = MAX_IMAGE_PIXELS;
constexpr qint64 kFileHeaderSize = 14;
constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;
constexpr qint32 kPixelsPerMetre = 3780; // 96 dpi

quint16 U16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 U32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}
qint32 I32(const uchar* p) {
    return qFromLittleEndian<qint32>(p);
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// One channel of a BI_BITFIELDS mask: value = (pixel & mask) >> shift, scaled from 0..max.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;

    explicit Channel(quint32 m = 0) : mask(m) {
        if (mask) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int Value(quint32 pixel, int absent) const {
        if (!max) return absent;
        const quint64 v = (pixel & mask) >> shift;
        return int((v * 255 + max / 2) / max);
    }
};

} // namespace

namespace Bmp {

BmpLayout ParseLayout(const char* data, qint64 available, QString* error) {
    BmpLayout l;
    const auto* d = reinterpret_cast<const uchar*>(data);
    auto fail = [&](BmpLayout::Status status, const QString& text) {
        l.status = status;
        SetError(error, text);
        return l;
    };
    const QString truncated = QStringLiteral("BMP 图像数据不完整");
    if (!data || available < 2) return fail(BmpLayout::Truncated, truncated);
    if (d[0] != 'B' || d[1] != 'M')
        return fail(BmpLayout::Invalid, QStringLiteral("不是 BMP 图像（缺少 \"BM\" 标记）"));
    if (available < kFileHeaderSize + 4) return fail(BmpLayout::Truncated, truncated);
    const quint32 headerSize = U32(d + kFileHeaderSize);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        return fail(BmpLayout::Invalid,
                    QStringLiteral("不支持的 BMP 信息头长度 %1").arg(headerSize));
    if (available < kFileHeaderSize + qint64(headerSize))
        return fail(BmpLayout::Truncated, truncated);

    const uchar* h = d + kFileHeaderSize;
    l.headerSize = int(headerSize);
    l.core = headerSize == 12;
    quint32 colourCount = 0;
    quint32 sizeImage = 0;
    if (l.core) {
        l.width = U16(h + 4);
        l.height = U16(h + 6);
        l.bitCount = U16(h + 10);
        l.compression = kBiRgb;
    } else {
        l.width = I32(h + 4);
        l.height = I32(h + 8);
        l.bitCount = U16(h + 14);
        l.compression = U32(h + 16);
        sizeImage = U32(h + 20);
        colourCount = U32(h + 32);
    }
    if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
        l.bitCount != 24 && l.bitCount != 32)
        return fail(BmpLayout::Invalid, QStringLiteral("不支持的 BMP 颜色位数 %1").arg(l.bitCount));
    if (l.compression == kBiBitfields) {
        if (l.bitCount != 16 && l.bitCount != 32)
            return fail(BmpLayout::Invalid,
                        QStringLiteral("BI_BITFIELDS 只用于 16 位和 32 位图像"));
    } else if (l.compression != kBiRgb) {
        return fail(BmpLayout::Compressed,
                    QStringLiteral("压缩的 BMP 图像不受支持（压缩方式 %1）").arg(l.compression));
    }
    if (l.width <= 0 || l.height == 0)
        return fail(BmpLayout::Invalid,
                    QStringLiteral("BMP 图像尺寸无效（%1 × %2）").arg(l.width).arg(l.height));

    l.rows = l.height < 0 ? -l.height : l.height;
    l.stride = (l.width * l.bitCount + 31) / 32 * 4;
    if (l.stride > kMaxBmpBytes || l.stride * l.rows > kMaxBmpBytes)
        return fail(BmpLayout::Invalid, QStringLiteral("BMP 图像过大"));

    qint64 masksSize = 0;
    if (l.compression == kBiBitfields) {
        const uchar* m = h + 40;
        if (headerSize == 40) {
            masksSize = 12;
            if (available < kFileHeaderSize + 40 + 12) return fail(BmpLayout::Truncated, truncated);
        }
        l.masks[0] = U32(m);
        l.masks[1] = U32(m + 4);
        l.masks[2] = U32(m + 8);
        l.masks[3] = headerSize >= 56 ? U32(m + 12) : 0;
    } else if (l.bitCount == 16) {
        l.masks[0] = 0x7C00; // X1R5G5B5
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else if (l.bitCount == 32) {
        l.masks[0] = 0x00FF0000;
        l.masks[1] = 0x0000FF00;
        l.masks[2] = 0x000000FF;
        l.masks[3] = 0xFF000000;
    }

    l.colours = colourCount ? qint64(colourCount) : (l.bitCount <= 8 ? 1LL << l.bitCount : 0);
    l.entrySize = l.core ? 3 : 4;
    l.tableOffset = kFileHeaderSize + headerSize + masksSize;
    l.pixelOffset = l.tableOffset + l.colours * l.entrySize;
    l.pixelBytes = sizeImage ? qint64(sizeImage) : l.stride * l.rows;
    l.length = l.pixelOffset + l.pixelBytes;
    if (l.length > kMaxBmpBytes) return fail(BmpLayout::Invalid, QStringLiteral("BMP 图像过大"));
    if (l.length > available) return fail(BmpLayout::Truncated, truncated);
    l.status = BmpLayout::Ok;
    return l;
}

qint64 ImageLength(const char* data, qint64 available, QString* error) {
    const BmpLayout l = ParseLayout(data, available, error);
    return l.status == BmpLayout::Ok ? l.length : -1;
}

bool Decode(const QByteArray& bmp, QImage* out, QString* error) {
    const BmpLayout l = ParseLayout(bmp.constData(), bmp.size(), error);
    if (l.status != BmpLayout::Ok) return false;
    const auto* d = reinterpret_cast<const uchar*>(bmp.constData());
    const qint64 needed = l.stride * l.rows;
    qint64 offset = l.pixelOffset;
    // Some writers leave a gap before the pixels; the file header's offset then points past it.
    const qint64 fileOffset = U32(d + 10);
    if (fileOffset > offset && fileOffset + needed <= bmp.size()) offset = fileOffset;
    if (offset + needed > bmp.size()) {
        SetError(error, QStringLiteral("BMP 像素数据不完整"));
        return false;
    }
    if (l.width * l.rows > kMaxPixels) {
        SetError(error, QStringLiteral("BMP 图像过大"));
        return false;
    }

    QRgb palette[256];
    std::fill(std::begin(palette), std::end(palette), qRgb(0, 0, 0));
    if (l.bitCount <= 8) {
        const qint64 usable = std::min<qint64>(l.colours, 256);
        for (qint64 i = 0; i < usable; ++i) {
            const uchar* e = d + l.tableOffset + i * l.entrySize;
            palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);

    QImage img(int(l.width), int(l.rows), QImage::Format_ARGB32);
    if (img.isNull()) {
        SetError(error, QStringLiteral("内存不足，无法解码 BMP 图像"));
        return false;
    }
    bool anyAlpha = false;
    const int w = int(l.width);
    for (qint64 row = 0; row < l.rows; ++row) {
        const uchar* src = d + offset + row * l.stride;
        auto* line =
            reinterpret_cast<QRgb*>(img.scanLine(int(l.height < 0 ? row : l.rows - 1 - row)));
        switch (l.bitCount) {
        case 1:
            for (int x = 0; x < w; ++x)
                line[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                line[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                line[x] = palette[src[x]];
            break;
        case 24:
            for (int x = 0; x < w; ++x, src += 3)
                line[x] = qRgb(src[2], src[1], src[0]);
            break;
        default: { // 16 and 32 bits through masks
            const int bytes = l.bitCount / 8;
            for (int x = 0; x < w; ++x, src += bytes) {
                const quint32 px = bytes == 2 ? U16(src) : U32(src);
                const int a = alpha.Value(px, 255);
                anyAlpha = anyAlpha || (alpha.max && a != 0);
                line[x] = qRgba(red.Value(px, 0), green.Value(px, 0), blue.Value(px, 0), a);
            }
        }
        }
    }
    if (alpha.max && !anyAlpha) {
        // An alpha byte that is zero everywhere is unused (the usual 32-bit BI_RGB image).
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] |= 0xFF000000u;
        }
    }
    if (!anyAlpha) img.reinterpretAsFormat(QImage::Format_RGB32);
    *out = img;
    return true;
}

QByteArray Encode(const QImage& image) {
    if (image.isNull()) return {};
    const bool withAlpha = image.hasAlphaChannel();
    const QImage src =
        image.convertToFormat(withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = src.width();
    const int h = src.height();
    const int bits = withAlpha ? 32 : 24;
    const qint64 stride = (qint64(w) * bits + 31) / 32 * 4;
    const qint64 pixelBytes = stride * h;
    const qint64 offset = kFileHeaderSize + 40;

    QByteArray out(offset + pixelBytes, '\0');
    auto* d = reinterpret_cast<uchar*>(out.data());
    d[0] = 'B';
    d[1] = 'M';
    qToLittleEndian<quint32>(quint32(offset + pixelBytes), d + 2);
    qToLittleEndian<quint32>(quint32(offset), d + 10);
    uchar* h0 = d + kFileHeaderSize;
    qToLittleEndian<quint32>(40, h0);
    qToLittleEndian<qint32>(w, h0 + 4);
    qToLittleEndian<qint32>(h, h0 + 8); // positive: bottom-up rows
    qToLittleEndian<quint16>(1, h0 + 12);
    qToLittleEndian<quint16>(quint16(bits), h0 + 14);
    qToLittleEndian<quint32>(kBiRgb, h0 + 16);
    qToLittleEndian<quint32>(quint32(pixelBytes), h0 + 20);
    qToLittleEndian<qint32>(kPixelsPerMetre, h0 + 24);
    qToLittleEndian<qint32>(kPixelsPerMetre, h0 + 28);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = d + offset + qint64(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            *dst++ = uchar(qBlue(line[x]));
            *dst++ = uchar(qGreen(line[x]));
            *dst++ = uchar(qRed(line[x]));
            if (withAlpha) *dst++ = uchar(qAlpha(line[x]));
        }
    }
    return out;
}

} // namespace Bmp
} // namespace karvell
