#include "output/ofdfont.h"

#include <QHash>
#include <QList>
#include <QtEndian>
#include <algorithm>
#include <hb-subset.h>
#include <hb.h>
#include <memory>
#include <mutex>

namespace karvell {
namespace {

// The tables a font renders and maps characters with. QRawFont answers tables by tag but does
// not list them, so the known ones are asked for.
constexpr const char* kTables[] = {"BASE", "CFF ", "CFF2", "DSIG", "GDEF", "GPOS", "GSUB",
                                   "OS/2", "VORG", "cmap", "cvt ", "fpgm", "gasp", "glyf",
                                   "head", "hhea", "hmtx", "kern", "loca", "maxp", "name",
                                   "post", "prep", "vhea", "vmtx"};

// The sum of the table's big-endian 32-bit words, the last one padded with zeros.
quint32 CheckSum(const QByteArray& table) {
    const qsizetype whole = table.size() / 4 * 4;
    quint32 sum = 0;
    for (qsizetype i = 0; i < whole; i += 4)
        sum += qFromBigEndian<quint32>(table.constData() + i);
    if (whole < table.size()) {
        char last[4] = {};
        std::copy(table.constData() + whole, table.constData() + table.size(), last);
        sum += qFromBigEndian<quint32>(last);
    }
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
    // Written in one piece: a CJK face's tables are tens of megabytes.
    const auto padding = [](qsizetype size) { return (4 - size % 4) % 4; };
    qsizetype total = 12 + 16 * qsizetype(count);
    for (const auto& table : std::as_const(tables))
        total += table.second.size() + padding(table.second.size());
    QByteArray out;
    out.reserve(total);
    Append32(out, has("CFF ") ? 0x4F54544F /* OTTO */ : 0x00010000);
    Append16(out, count);
    Append16(out, quint16(power * 16));
    Append16(out, log2);
    Append16(out, quint16(count * 16 - power * 16));
    quint32 offset = 12 + 16 * count;
    for (const auto& [tag, data] : std::as_const(tables)) {
        out.append(tag);
        Append32(out, CheckSum(data));
        Append32(out, offset);
        Append32(out, quint32(data.size()));
        offset += quint32(data.size() + padding(data.size()));
    }
    for (const auto& table : std::as_const(tables)) {
        out.append(table.second);
        out.append(padding(table.second.size()), '\0');
    }
    return out;
}

struct FontFileCache::Files {
    std::mutex mutex;
    QHash<QByteArray, QByteArray> byFace;
};

FontFileCache::FontFileCache() : m_files(std::make_unique<Files>()) {}

FontFileCache::~FontFileCache() = default;

QByteArray FontFileCache::FileOf(const QRawFont& font) {
    // A face is known by its names and its header, which holds its file's checksum and dates.
    const QByteArray face = font.familyName().toUtf8() + '\n' + font.styleName().toUtf8() + '\n' +
                            QByteArray::number(font.weight()) + '\n' +
                            QByteArray::number(int(font.style())) + '\n' + font.fontTable("head");
    {
        std::lock_guard lock(m_files->mutex);
        if (const auto it = m_files->byFace.constFind(face); it != m_files->byFace.constEnd())
            return *it;
    }
    QByteArray file = FontFileOf(font);
    std::lock_guard lock(m_files->mutex);
    m_files->byFace.insert(face, file);
    return file;
}

QByteArray SubsetFontFile(const QRawFont& font, const QString& chars, FontFileCache* cache) {
    const QByteArray file = cache ? cache->FileOf(font) : FontFileOf(font);
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
