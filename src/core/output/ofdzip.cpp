#include "output/ofdzip.h"

#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <zip.h>

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/scratchfile.h"

namespace karvell {
namespace {

// libdeflate's level 7 makes packages about as small as libzip's own compression (zlib at its
// best) made them, in a fraction of its time.
constexpr int kDeflateLevel = 7;

struct SourceDeleter {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

[[noreturn]] void Fail(zip_error_t* error, const QString& partFailure = QString()) {
    const QString why =
        partFailure.isEmpty() ? QString::fromLocal8Bit(zip_error_strerror(error)) : partFailure;
    zip_error_fini(error);
    throw KarvellError(QStringLiteral("无法生成 OFD 压缩包：%1").arg(why));
}

// A deflated part as a libzip source: loaded when the archive opens it to write it and let go
// when it is closed. Its statistics say it is deflated already, so the archive stores the
// bytes as they come. A part that cannot be loaded fails the archive with its reason.
struct DeflatedSource {
    const ZipPart* part;
    QString* failure; // the first part's reason, for the archive's error
    QByteArray bytes;
    qint64 at = 0;
    zip_error_t error;
};

zip_int64_t ReadDeflated(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* s = static_cast<DeflatedSource*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        try {
            s->bytes = s->part->load();
        } catch (const KarvellError& e) {
            if (s->failure->isEmpty()) *s->failure = e.message();
            zip_error_set(&s->error, ZIP_ER_READ, 0);
            return -1;
        }
        s->at = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = std::min<qint64>(qint64(length), s->bytes.size() - s->at);
        memcpy(data, s->bytes.constData() + s->at, size_t(n));
        s->at += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        s->bytes = QByteArray();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = zip_uint64_t(std::max<qint64>(s->part->size, 0));
        stat->crc = s->part->crc;
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&s->error);
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_source_t* DeflatedPartSource(zip_t* archive, const ZipPart& part, QString* failure) {
    auto* state = new DeflatedSource{&part, failure, {}, 0, {}};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function(archive, ReadDeflated, state);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
    }
    return source;
}

// Adds the parts to an open archive and closes it, which writes it; `archive` is gone after.
void WriteArchive(zip_t* archive, const QList<ZipPart>& parts, zip_error_t* error) {
    QString failure;
    const auto fail = [&] {
        zip_error_set(error, zip_error_code_zip(zip_get_error(archive)), 0);
        zip_discard(archive);
        Fail(error, failure);
    };
    for (const ZipPart& part : parts) {
        // The archive reads the bytes when it is closed; `parts` outlives that.
        zip_source_t* data = part.load ? DeflatedPartSource(archive, part, &failure)
                                       : zip_source_buffer(archive, part.bytes.constData(),
                                                           zip_uint64_t(part.bytes.size()), 0);
        const QByteArray utf8 = part.name.toUtf8();
        if (!data || zip_file_add(archive, utf8.constData(), data,
                                  ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (data) zip_source_free(data);
            fail();
        }
    }
    if (zip_close(archive) < 0) fail();
}

} // namespace

DeflatedPart DeflateForZip(const QByteArray& bytes) {
    // One compressor a thread, kept: making one allocates its large tables.
    thread_local const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)>
        compressor(libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
    if (!compressor) throw KarvellError(QStringLiteral("无法生成 OFD 压缩包：内存不足"));
    DeflatedPart out;
    out.size = bytes.size();
    out.crc = libdeflate_crc32(0, bytes.constData(), size_t(bytes.size()));
    out.deflated.resize(
        qsizetype(libdeflate_deflate_compress_bound(compressor.get(), size_t(bytes.size()))));
    const size_t n =
        libdeflate_deflate_compress(compressor.get(), bytes.constData(), size_t(bytes.size()),
                                    out.deflated.data(), size_t(out.deflated.size()));
    // The bound always suffices; nothing written means the library failed.
    if (n == 0) throw KarvellError(QStringLiteral("无法生成 OFD 压缩包：压缩失败"));
    out.deflated.truncate(qsizetype(n));
    return out;
}

QByteArray ZipParts(const QList<ZipPart>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceDeleter> buffer(
        zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) Fail(&error);
    zip_source_keep(buffer.get()); // the archive's close must leave the written bytes
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (!archive) Fail(&error);
    WriteArchive(archive, parts, &error);
    zip_stat_t stat;
    if (zip_source_open(buffer.get()) < 0 || zip_source_stat(buffer.get(), &stat) < 0) Fail(&error);
    QByteArray out(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(buffer.get(), out.data(), stat.size);
    zip_source_close(buffer.get());
    if (read != zip_int64_t(stat.size)) Fail(&error);
    zip_error_fini(&error);
    return out;
}

void ZipPartsToFile(const QList<ZipPart>& parts, const QString& path) {
    zip_error_t error;
    zip_error_init(&error);
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_init_with_code(&error, code);
        Fail(&error);
    }
    WriteArchive(archive, parts, &error);
    zip_error_fini(&error);
}

std::optional<QList<QPair<QString, QByteArray>>> UnzipParts(const QByteArray& zip,
                                                            qint64 maxTotal) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(zip.constData(), zip_uint64_t(zip.size()), 0, &error);
    zip_error_fini(&error);
    if (!source) return std::nullopt;
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return std::nullopt;
    }
    QList<QPair<QString, QByteArray>> parts;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = count >= 0;
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        zip_stat_t stat;
        ok = zip_stat_index(archive, zip_uint64_t(i), 0, &stat) == 0 &&
             (stat.valid & ZIP_STAT_SIZE) && (stat.valid & ZIP_STAT_NAME) &&
             stat.size <= zip_uint64_t(maxTotal) - total;
        if (!ok) break;
        total += stat.size;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        ok = file != nullptr;
        if (!ok) break;
        QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
        ok = zip_fread(file, bytes.data(), stat.size) == zip_int64_t(stat.size);
        // The checksum is compared when the reading reaches the part's end.
        char more;
        ok = ok && zip_fread(file, &more, 1) == 0;
        ok = zip_fclose(file) == 0 && ok;
        parts.append({QString::fromUtf8(stat.name), bytes});
    }
    zip_close(archive); // read only: frees the archive and its source
    if (!ok) return std::nullopt;
    return parts;
}

void SaveZip(const QList<ZipPart>& parts, AtomicFile& file) {
    const std::unique_ptr<QTemporaryFile> scratch =
        OpenScratchFile(QStringLiteral("karvell-XXXXXX.zip"));
    ZipPartsToFile(parts, scratch->fileName());
    QFile package(scratch->fileName());
    if (!package.open(QIODevice::ReadOnly) || !file.WriteFrom(package))
        throw KarvellError(QStringLiteral("无法读回临时文件“%1”：%2")
                               .arg(package.fileName(), package.errorString()));
    file.Commit();
}

struct ZipReader::Archive {
    zip_t* zip = nullptr;
};

ZipReader::ZipReader(const QString& path) : m_archive(std::make_unique<Archive>()) {
    int code = 0;
    m_archive->zip =
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_archive->zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw KarvellError(QStringLiteral("无法读取“%1”：%2").arg(path, why));
    }
}

ZipReader::~ZipReader() {
    zip_discard(m_archive->zip); // read only: nothing to write
}

std::optional<QByteArray> ZipReader::Read(const QString& name, qint64 maxSize) {
    const QByteArray utf8 = name.toUtf8();
    zip_stat_t stat;
    if (zip_stat(m_archive->zip, utf8.constData(), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE) || stat.size > zip_uint64_t(maxSize))
        return std::nullopt;
    zip_file_t* file = zip_fopen(m_archive->zip, utf8.constData(), 0);
    if (!file) return std::nullopt;
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    bool ok = zip_fread(file, bytes.data(), stat.size) == zip_int64_t(stat.size);
    // The checksum is compared when the reading reaches the part's end.
    char more;
    ok = ok && zip_fread(file, &more, 1) == 0;
    ok = zip_fclose(file) == 0 && ok;
    if (!ok) return std::nullopt;
    return bytes;
}

KarvellError JoinPart::Foreign(const QString& why) const {
    return KarvellError(
        QStringLiteral("“%1”不是 karvell 写出的 %2 文件：%3").arg(m_path, m_kind, why));
}

QByteArray JoinPart::Read(const QString& name) {
    std::optional<QByteArray> bytes = m_zip.Read(name);
    if (!bytes) throw Foreign(QStringLiteral("缺少 %1 或无法读出").arg(name));
    return *bytes;
}

} // namespace karvell
