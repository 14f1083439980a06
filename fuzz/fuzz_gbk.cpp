// The GBK codec: decoding any bytes never faults, the allocation-free decoder agrees with the
// plain one, and decoded text survives encoding and decoding again.
#include <QString>
#include <vector>

#include "fuzz_common.h"
#include "platform/gbk.h"

using namespace karvell;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = Gbk::Decode(bytes);
    std::vector<char16_t> buffer(size + 1);
    const qsizetype n = Gbk::DecodeTo(bytes.constData(), bytes.size(), buffer.data());
    if (n < 0 || n > qsizetype(size)) fuzz::Finding("DecodeTo wrote more characters than bytes");
    if (QString(reinterpret_cast<const QChar*>(buffer.data()), n) != text)
        fuzz::Finding("DecodeTo and Decode disagree");
    if (Gbk::Decode(Gbk::Encode(text)) != text && !text.contains(QChar(0xFFFD)))
        fuzz::Finding("decoded text does not survive encoding");
    const QByteArray upper = Gbk::Upper(bytes);
    if (upper.size() != bytes.size()) fuzz::Finding("Upper changed the length");
    for (const int max : {0, 1, 2, 3, int(size / 2), int(size)}) {
        const QByteArray cut = Gbk::TruncateBytes(bytes, max);
        if (cut.size() > max || !bytes.startsWith(cut))
            fuzz::Finding("TruncateBytes gave no prefix within the limit");
    }
    return 0;
}
