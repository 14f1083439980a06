#pragma once
// A Windows-style rectangle: right and bottom are exclusive edges, unlike QRect.
#include <QRect>
#include <cstdint>

namespace karvell {

struct TRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // Platform point-in-rectangle rule: left and top inclusive, right and bottom exclusive.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const TRect&) const = default;
};

} // namespace karvell
