#include "output/ofdfont.h"

#include <QList>
#include <QtEndian>
#include <algorithm>
#include <hb-subset.h>
#include <hb.h>
#include <memory>

namespace karvell {
namespace {

// The tables a font renders and maps characters with. QRawFont answers tables by tag but does
// not list them, so the known ones are asked for.
constexpr const char* kTables[] = {"BASE", "CFF ", "CFF2", "DSIG", "GDEF", "GPOS", "GSUB",
                                   "OS/2", "VORG", "cmap", "cvt ", "fpgm", "gasp", "glyf",
                                   "head", "hhea", "hmtx", "kern", "loca", "maxp", "name",
                                   "post", "prep", "vhea", "vmtx"};

quint32 CheckSum(const QByteArray& table) {
    QByteArray padded = table;
    padded.append(QByteArray((4 - padded.size() % 4) % 4, '\0'));
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += qFromBigEndian<quint32>(padded.constData() + i);
    return sum;
}

void Append32(QByteArray& out, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void Append16(QByteArray& out, quint16 v) {
    char b[2];
    qToBigEndian(v, b);
    out.append(b, 2);
}

struct BlobDeleter {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
};
struct FaceDeleter {
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};
struct InputDeleter {
    void operator()(hb_subset_input_t* i) const { hb_subset_input_destroy(i); }
};

} // namespace

QByteArray FontFileOf(const QRawFont& font) {
    if (!font.isValid()) return {};
    QList<QPair<QByteArray, QByteArray>> tables; // tag, data; sorted as kTables is
    for (const char* tag : kTables) {
        const QByteArray data = font.fontTable(tag);
        if (!data.isEmpty()) tables.append({QByteArray(tag, 4), data});
    }
    const auto has = [&tables](const char* tag) {
        return std::any_of(tables.begin(), tables.end(),
                           [tag](const auto& t) { return t.first == tag; });
    };
    if (!has("cmap") || !has("head") || !has("maxp") || (!has("glyf") && !has("CFF "))) return {};
    const quint16 count = quint16(tables.size());
    quint16 power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    QByteArray out;
    Append32(out, has("CFF ") ? 0x4F54544F /* OTTO */ : 0x00010000);
    Append16(out, count);
    Append16(out, quint16(power * 16));
    Append16(out, log2);
    Append16(out, quint16(count * 16 - power * 16));
    quint32 offset = 12 + 16 * count;
    QByteArray body;
    for (const auto& [tag, data] : std::as_const(tables)) {
        out.append(tag);
        Append32(out, CheckSum(data));
        Append32(out, offset + quint32(body.size()));
        Append32(out, quint32(data.size()));
        body.append(data);
        body.append(QByteArray((4 - data.size() % 4) % 4, '\0'));
    }
    return out + body;
}

QByteArray SubsetFontFile(const QRawFont& font, const QString& chars) {
    const QByteArray file = FontFileOf(font);
    if (file.isEmpty()) return {};
    std::unique_ptr<hb_blob_t, BlobDeleter> blob(hb_blob_create(
        file.constData(), unsigned(file.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    std::unique_ptr<hb_face_t, FaceDeleter> face(hb_face_create(blob.get(), 0));
    std::unique_ptr<hb_subset_input_t, InputDeleter> input(hb_subset_input_create_or_fail());
    if (!input) return {};
    hb_set_t* unicodes = hb_subset_input_unicode_set(input.get());
    for (char32_t c : chars.toUcs4())
        hb_set_add(unicodes, c);
    std::unique_ptr<hb_face_t, FaceDeleter> subset(hb_subset_or_fail(face.get(), input.get()));
    if (!subset) return {};
    std::unique_ptr<hb_blob_t, BlobDeleter> result(hb_face_reference_blob(subset.get()));
    unsigned length = 0;
    const char* data = hb_blob_get_data(result.get(), &length);
    return length > 0 ? QByteArray(data, qsizetype(length)) : QByteArray();
}

} // namespace karvell
