#pragma once
// The parts of GB18030 that GBK lacks, as the standard's own tables (GB18030-2005 mapping).
// Four-byte codes b1 b2 b3 b4 (b1, b3 0x81..0xFE; b2, b4 0x30..0x39) count a linear index
// ((b1 - 0x81) * 10 + b2 - 0x30) * 1260 + (b3 - 0x81) * 10 + b4 - 0x30. Indices below
// GB18030_BMP_CODES are the BMP characters GBK has no code for, in runs of consecutive code
// points (the standard publishes them as this range table); from GB18030_SUPPLEMENTARY_BASE
// the supplementary planes follow linearly from U+10000, by the standard's formula.
#include <cstdint>

namespace karvell::Gb18030 {

struct Range {
    uint16_t linear; // first four-byte index of the run
    uint16_t code;   // its code point; the run goes on to the next range's index
};

inline constexpr int GB18030_BMP_CODES = 39420;
inline constexpr int GB18030_SUPPLEMENTARY_BASE = 189000; // the index of 0x90 0x30 0x81 0x30
inline constexpr int GB18030_LAST_INDEX = GB18030_SUPPLEMENTARY_BASE + 0x10FFFF - 0x10000;

extern const Range kBmpRanges[206];

// Two-byte codes GB18030 gives a character where GBK has none (or only a private-use one):
// the Euro sign, ideographic description characters, CJK radicals and Extension A
// ideographs such as U+4DAE at 0xFE9F.
struct Pair {
    uint16_t bytes; // lead byte << 8 | trail byte
    uint16_t code;
};
extern const Pair kTwoByteAdditions[81];

} // namespace karvell::Gb18030
