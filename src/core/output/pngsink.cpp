#include "output/pngsink.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "model/limits.h"
#include "model/reportdocument.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "render/printpage.h"

namespace karvell {

TPngSink::TPngSink(const QString& dirPath) : m_dirPath(dirPath) {
    if (!QDir().mkpath(dirPath))
        throw KarvellError(QStringLiteral("无法创建文件夹“%1”").arg(dirPath));
    m_scratch =
        std::make_unique<QTemporaryDir>(QDir(dirPath).filePath(QStringLiteral(".expand-XXXXXX")));
    if (!m_scratch->isValid())
        throw KarvellError(QStringLiteral("无法写入文件夹“%1”").arg(dirPath));
}

TPngSink::~TPngSink() = default;

void TPngSink::AddPage(const TReportDocument& page, const QPageLayout&) {
    const int number = int(m_names.size()) + 1;
    // The size is checked before anything is allocated.
    if (!ImageSizeAllowed(page.WindowSize()))
        throw KarvellError(QStringLiteral("第 %1 页的图片超出上限（%2 百万像素）")
                               .arg(number)
                               .arg(MAX_IMAGE_PIXELS >> 20));
    QImage image(page.WindowSize(), QImage::Format_RGB32);
    if (image.isNull())
        throw KarvellError(QStringLiteral("第 %1 页太大，无法生成图片").arg(number));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintPrintPage(painter, page, image.size());
    }
    const QString name = QStringLiteral("page-%1.png").arg(number);
    WriteFileAtomic(m_scratch->filePath(name), EncodePng(image));
    m_names.append(name);
}

void TPngSink::Finish() {
    const QDir dir(m_dirPath);
    for (const QString& name : std::as_const(m_names)) {
        QFile::remove(dir.filePath(name));
        if (!QFile::rename(m_scratch->filePath(name), dir.filePath(name)))
            throw KarvellError(QStringLiteral("无法把 %1 移入“%2”").arg(name, m_dirPath));
    }
}

} // namespace karvell
