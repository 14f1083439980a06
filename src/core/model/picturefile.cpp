// Picture files a user loads into a cell (.bmp, .jpg/.jpeg, .ico) and the libjpeg decoder.
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

#include "model/limits.h"
#include "model/picture.h"
#include "model/picture_p.h"
#include "platform/error.h"
#include "platform/fileopen.h"

namespace karvell {
namespace {

constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;
constexpr quint64 kMaxJpegPixels = MAX_IMAGE_PIXELS; // the limit of every image (limits.h)

// libjpeg reports errors through error_exit, which must not return: it jumps back into
// RunJpeg. A premature end of data is only a warning to libjpeg (it pads the picture with
// grey); a cut-off file is treated as undecodable here.
struct JpegContext {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* ctx = reinterpret_cast<JpegContext*>(cinfo->client_data);
    (*cinfo->err->format_message)(cinfo, ctx->message);
    std::longjmp(ctx->jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        ++cinfo->err->num_warnings;
        if (cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
    }
}

void JpegOutputMessage(j_common_ptr) {}

// Runs the decompression. Only `ctx` and `out` (both outside this frame) change after setjmp,
// and no object with a destructor lives in this frame, so the jump back is well defined.
bool RunJpeg(JpegContext& ctx, const uchar* data, unsigned long size, QImage* out) {
    jpeg_decompress_struct& cinfo = ctx.cinfo;
    cinfo.err = jpeg_std_error(&ctx.err);
    ctx.err.error_exit = JpegErrorExit;
    ctx.err.emit_message = JpegEmitMessage;
    ctx.err.output_message = JpegOutputMessage;
    ctx.message[0] = '\0';
    cinfo.client_data = &ctx; // kept by jpeg_create_decompress
    if (setjmp(ctx.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else if (cinfo.jpeg_color_space == JCS_GRAYSCALE)
        cinfo.out_color_space = JCS_GRAYSCALE;
    else
        cinfo.out_color_space = JCS_RGB;
    if (quint64(cinfo.image_width) * cinfo.image_height > kMaxJpegPixels) {
        std::snprintf(ctx.message, sizeof ctx.message, "image too large");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    *out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (out->isNull()) {
        std::snprintf(ctx.message, sizeof ctx.message, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int components = cinfo.output_components;
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                   JPOOL_IMAGE, cinfo.output_width * components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, buffer, 1);
        const JSAMPLE* s = buffer[0];
        auto* line = reinterpret_cast<QRgb*>(out->scanLine(y));
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, s += components) {
            if (components == 1) {
                line[x] = qRgb(s[0], s[0], s[0]);
            } else if (components == 3) {
                line[x] = qRgb(s[0], s[1], s[2]);
            } else if (cinfo.saw_Adobe_marker) { // Adobe writes CMYK inverted
                line[x] = qRgb(s[0] * s[3] / 255, s[1] * s[3] / 255, s[2] * s[3] / 255);
            } else {
                line[x] = qRgb((255 - s[0]) * (255 - s[3]) / 255, (255 - s[1]) * (255 - s[3]) / 255,
                               (255 - s[2]) * (255 - s[3]) / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

[[noreturn]] void Fail(const QString& text) {
    throw KarvellError(text);
}

// Icons hold several images; the one nearest to the standard 32 × 32 icon size is used.
QImage ReadIcon(const QByteArray& data, const QString& fileName) {
    if (!QImageReader::supportedImageFormats().contains("ico"))
        Fail(QStringLiteral("无法读取图标文件 %1：没有图标解码器").arg(fileName));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    const int count = std::max(reader.imageCount(), 1);
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i)) break;
        const QSize size = reader.size();
        const int distance = std::abs(size.width() - 32) + std::abs(size.height() - 32);
        if (size.isValid() && (bestDistance < 0 || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    reader.jumpToImage(best);
    QImage image = reader.read();
    if (image.isNull())
        Fail(QStringLiteral("无法解码图标文件 %1：%2").arg(fileName, reader.errorString()));
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

bool DecodeJpeg(const QByteArray& jpeg, QImage* out, QString* error) {
    if (jpeg.isEmpty()) {
        if (error) *error = QStringLiteral("JPEG 数据为空");
        return false;
    }
    auto ctx = std::make_unique<JpegContext>();
    QImage image;
    if (!RunJpeg(*ctx, reinterpret_cast<const uchar*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()), &image)) {
        if (error)
            *error = QStringLiteral("JPEG 解码失败：%1").arg(QString::fromLocal8Bit(ctx->message));
        return false;
    }
    *out = image;
    return true;
}

LoadedPicture LoadPictureFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists()) Fail(QStringLiteral("图片文件不存在：%1").arg(fileName));
    const QString ext = info.suffix().toLower();
    const bool isBmp = ext == QLatin1String("bmp");
    const bool isJpeg = ext == QLatin1String("jpg") || ext == QLatin1String("jpeg");
    const bool isIcon = ext == QLatin1String("ico");
    if (!isBmp && !isJpeg && !isIcon)
        Fail(QStringLiteral("不支持的图片类型：%1（可用 .bmp、.jpg、.jpeg、.ico）").arg(fileName));

    QFile file(fileName);
    QString why;
    if (!OpenForReading(file, &why))
        Fail(QStringLiteral("无法读取图片文件 %1：%2").arg(fileName, why));
    if (file.size() > kMaxFileBytes) Fail(QStringLiteral("图片文件过大：%1").arg(fileName));
    // Bounded also where the size is not known in advance (a pipe).
    QByteArray data;
    for (QByteArray piece; !(piece = file.read(1 << 20)).isEmpty();) {
        data += piece;
        if (data.size() > kMaxFileBytes) Fail(QStringLiteral("图片文件过大：%1").arg(fileName));
    }
    if (file.error() != QFileDevice::NoError)
        Fail(QStringLiteral("无法读取图片文件 %1：输入/输出错误").arg(fileName));
    file.close();

    LoadedPicture picture;
    QString error;
    if (isBmp) {
        if (!data.startsWith("BM")) Fail(QStringLiteral("文件内容不是 BMP 图像：%1").arg(fileName));
        if (!Bmp::Decode(data, &picture.image, &error)) {
            // Compressed images (RLE, …) are read by Qt; they are stored uncompressed later.
            const Bmp::BmpLayout layout = Bmp::ParseLayout(data.constData(), data.size(), nullptr);
            if (layout.status == Bmp::BmpLayout::Compressed)
                picture.image = QImage::fromData(data, "BMP");
            if (picture.image.isNull())
                Fail(QStringLiteral("无法解码 BMP 图像 %1：%2").arg(fileName, error));
        }
    } else if (isJpeg) {
        if (data.size() < 3 || uchar(data[0]) != 0xFF || uchar(data[1]) != 0xD8 ||
            uchar(data[2]) != 0xFF)
            Fail(QStringLiteral("文件内容不是 JPEG 图像：%1").arg(fileName));
        if (!DecodeJpeg(data, &picture.image, &error))
            Fail(QStringLiteral("无法解码 JPEG 图像 %1：%2").arg(fileName, error));
    } else {
        if (!data.startsWith(QByteArray("\0\0\1\0", 4)))
            Fail(QStringLiteral("文件内容不是图标：%1").arg(fileName));
        picture.image = ReadIcon(data, fileName);
        picture.isIcon = true;
    }
    return picture;
}

} // namespace karvell
