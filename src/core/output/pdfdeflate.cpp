// A faster deflate for PDF page content. Qt's PDF engine compresses every page stream with
// zlib's default level (6), and that costs about a quarter of the time of printing a long
// report to PDF. Level 5 takes about 6 % less CPU for the whole print and makes files at most
// about 5 % larger (level 4 saves 13 % but grows a month of vouchers by 13 %); the streams
// decompress to the same bytes, so every page looks the same.
//
// QPdfWriter offers no compression setting, so this library supplies zlib's deflateInit_,
// which the process's programs find before zlib's own (the library is loaded ahead of zlib).
// Only requests for the default level change; a caller that asks for a level gets it.
#include <QtGlobal>
#include <zlib.h>

namespace {
constexpr int kPageContentLevel = 5;
}

extern "C" Q_DECL_EXPORT int deflateInit_(z_streamp stream, int level, const char* version,
                                          int streamSize) {
    if (level == Z_DEFAULT_COMPRESSION) level = kPageContentLevel;
    return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version,
                         streamSize);
}
