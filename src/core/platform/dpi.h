#pragma once
// Document resolution and the rounding rule used wherever a real value becomes pixels.

namespace karvell {

// Document pixels are Qt device-independent pixels: 96 per inch both ways.
inline constexpr int LOGPIXELSX = 96;
inline constexpr int LOGPIXELSY = 96;

// "Integer part of x + 0.5", truncation toward zero (not floor): the component's rounding.
inline int Round05(double x) {
    return static_cast<int>(x + 0.5);
}

// Whole millimetres to document pixels: 25 (not 25.4) mm to the inch, horizontal resolution.
inline int MmToPx(int mm, int logPixelsX = LOGPIXELSX) {
    return Round05(static_cast<double>(mm) * logPixelsX / 25.0);
}

} // namespace karvell
