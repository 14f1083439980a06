#include "output/ofdzip.h"

#include <memory>
#include <zip.h>

#include "platform/error.h"

namespace karvell {
namespace {

struct SourceDeleter {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

[[noreturn]] void Fail(zip_error_t* error) {
    const QString why = QString::fromLocal8Bit(zip_error_strerror(error));
    zip_error_fini(error);
    throw KarvellError(QStringLiteral("无法生成 OFD 压缩包：%1").arg(why));
}

} // namespace

QByteArray ZipParts(const QList<QPair<QString, QByteArray>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceDeleter> buffer(
        zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) Fail(&error);
    zip_source_keep(buffer.get()); // the archive's close must leave the written bytes
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (!archive) Fail(&error);
    for (const auto& [name, bytes] : parts) {
        // The archive reads the bytes when it is closed; `parts` outlives that.
        zip_source_t* data =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const QByteArray utf8 = name.toUtf8();
        if (!data || zip_file_add(archive, utf8.constData(), data,
                                  ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (data) zip_source_free(data);
            zip_error_set(&error, zip_error_code_zip(zip_get_error(archive)), 0);
            zip_discard(archive);
            Fail(&error);
        }
    }
    if (zip_close(archive) < 0) {
        zip_error_set(&error, zip_error_code_zip(zip_get_error(archive)), 0);
        zip_discard(archive);
        Fail(&error);
    }
    zip_stat_t stat;
    if (zip_source_open(buffer.get()) < 0 || zip_source_stat(buffer.get(), &stat) < 0) Fail(&error);
    QByteArray out(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(buffer.get(), out.data(), stat.size);
    zip_source_close(buffer.get());
    if (read != zip_int64_t(stat.size)) Fail(&error);
    zip_error_fini(&error);
    return out;
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

} // namespace karvell
