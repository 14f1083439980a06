// The display-format formatter: any format bytes with any value (the first 8 bytes of the
// input, NaN and infinities included) format without a fault.
#include <cmath>
#include <cstring>

#include "format/dispformat.h"
#include "fuzz_common.h"

using namespace karvell;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    const QByteArray format(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = FormatFloat(format, value);
    // Formatting again gives the same text (the parsed format is cached).
    if (FormatFloat(format, value) != text) fuzz::Finding("a cached format formats otherwise");
    for (const double v : {0.0, -1.5, 1234567.891, std::nan(""), HUGE_VAL, -1e300, 5e-324})
        FormatFloat(format, v);
    return 0;
}
