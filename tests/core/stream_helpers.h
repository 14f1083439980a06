#pragma once
// Template streams written by hand, by the file layout, independently of the program's writer:
// for tests that need old versions, exact bytes or damaged input.
#include <QByteArray>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace karvell::test {

using Pos = std::pair<int, int>;

// The little-endian int32 at a byte offset.
int32_t I32(const QByteArray& bytes, int at);

// An uncompressed BMP file image: palette images with `colours` table entries (0: 2^bits),
// biSizeImage left 0 so readers must compute the pixel size.
QByteArray MakeBmp(int width, int height, int bits, int colours);

struct CellSpec {
    QByteArray text, format;
    Pos owner{-1, -1};
    std::vector<Pos> owned;
    QByteArray bmp; // stored (with HasBitmap 1) when not empty
    int32_t horz = 0;
};
using Lines = std::vector<std::vector<CellSpec>>;

// Writes a stream of the given version and remembers where named fields start: "lines",
// "count I", "text I J", "format I J", "bmp I J", "font I J", "owner I J", "owned I J",
// "trailer". Cells are 100 px wide with default borders, colours and font.
struct Crafter {
    QByteArray b;
    std::map<std::string, int> at;

    QByteArray Build(uint16_t magic, const Lines& lines);

private:
    void Mark(const std::string& name);
    void I32(int32_t v);
    void U8(uint8_t v);
};

// Two lines: a merge top with text and format over a cell below, a cell with a picture.
Lines SmallDocument();

} // namespace karvell::test
