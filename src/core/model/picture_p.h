#pragma once
// Internal to the picture code: the layout of a BMP file image as its headers describe it.
#include <QString>
#include <QtGlobal>

namespace karvell::Bmp {

struct BmpLayout {
    enum Status { Ok, Truncated, Compressed, Invalid } status = Invalid;
    int headerSize = 0;
    bool core = false; // 12-byte BITMAPCOREHEADER
    qint64 width = 0;
    qint64 height = 0; // negative: rows stored top-down
    qint64 rows = 0;
    int bitCount = 0;
    quint32 compression = 0;
    quint32 masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha (16 and 32 bits)
    qint64 colours = 0;              // colour table entries
    int entrySize = 4;
    qint64 stride = 0;
    qint64 tableOffset = 0;
    qint64 pixelOffset = 0;
    qint64 pixelBytes = 0;
    qint64 length = 0; // whole image: headers, masks, colour table and pixels
};

// Reads the headers of the BMP file image at `data`; never reads past `available`.
BmpLayout ParseLayout(const char* data, qint64 available, QString* error);

} // namespace karvell::Bmp
