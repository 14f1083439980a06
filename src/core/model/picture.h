#pragma once
// Cell pictures: the bitmap a cell owns, the BMP file images of template streams (delimited by
// their headers, no length prefix), and the picture files a user loads (.bmp, .jpg, .ico).
#include <QByteArray>
#include <QImage>
#include <QString>

namespace karvell {

// The picture object of a cell. `image` is what is drawn; `original` keeps the BMP file image
// it was read from, so an unchanged picture is written back byte for byte.
class TBitmap {
public:
    QImage image;
    QByteArray original;

    bool IsEmpty() const { return image.isNull() || image.width() <= 0 || image.height() <= 0; }
    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
    // Replaces the pixels and forgets the original bytes.
    void Assign(const QImage& img) {
        image = img;
        original.clear();
    }
};

namespace Bmp {
// Length in bytes of the BMP file image that starts at `data`, found from its headers:
// file header, info header (size from its first field), BI_BITFIELDS masks, colour table and
// biSizeImage (or stride × |height|) pixel bytes. Answers -1 and sets `error` when the bytes
// are not an uncompressed BMP or `available` is too short.
qint64 ImageLength(const char* data, qint64 available, QString* error);
// Decodes an uncompressed BMP file image (1, 4, 8, 16, 24, 32 bits; core or info headers).
bool Decode(const QByteArray& bmp, QImage* out, QString* error);
// Encodes as an uncompressed 24-bit BI_RGB BMP file image (32-bit BI_RGB when the image has
// an alpha channel).
QByteArray Encode(const QImage& image);
} // namespace Bmp

// A picture file loaded by the user. Throws KarvellError with a clear message when the file is
// missing, unreadable, of another type than its extension (.bmp, .jpg, .jpeg, .ico) says, or
// cannot be decoded. JPEG files are decoded with libjpeg.
struct LoadedPicture {
    QImage image;
    bool isIcon = false;
};
LoadedPicture LoadPictureFile(const QString& fileName);
// Decodes JPEG bytes with libjpeg's decompression interface; errors never end the process.
bool DecodeJpeg(const QByteArray& jpeg, QImage* out, QString* error);

} // namespace karvell
