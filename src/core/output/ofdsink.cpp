#include "output/ofdsink.h"

#include <QFile>
#include <QTemporaryFile>

#include "output/ofdzip.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/scratchfile.h"

#ifndef KARVELL_VERSION
#define KARVELL_VERSION ""
#endif

namespace karvell {

TOfdSink::TOfdSink(const QString& path, const QString& title, int dpi) : m_path(path), m_dpi(dpi) {
    m_info.title = title;
    m_info.creatorVersion = QStringLiteral(KARVELL_VERSION);
    if (!path.isEmpty()) m_file = std::make_unique<AtomicFile>(path);
}

TOfdSink::~TOfdSink() = default;

void TOfdSink::AddPage(const TReportDocument& page, const QPageLayout& layout) {
    m_document.AddPage(RecordPage(page, layout, m_dpi));
}

QByteArray TOfdSink::TakeBytes() {
    return ZipParts(m_document.Parts(m_info));
}

void TOfdSink::Finish() {
    // A file without pages is no document: nothing is written.
    if (PageCount() == 0) throw KarvellError(QStringLiteral("没有可写入“%1”的页").arg(m_path));
    if (!m_file) throw KarvellError(QStringLiteral("OFD 没有输出文件"));
    // The package is made in a scratch file and copied into the target a piece at a time: a
    // long document's is larger than memory should hold.
    const std::unique_ptr<QTemporaryFile> scratch =
        OpenScratchFile(QStringLiteral("karvell-XXXXXX.ofd"));
    ZipPartsToFile(m_document.Parts(m_info), scratch->fileName());
    QFile package(scratch->fileName());
    if (!package.open(QIODevice::ReadOnly) || !m_file->WriteFrom(package))
        throw KarvellError(QStringLiteral("无法读回临时文件“%1”：%2")
                               .arg(package.fileName(), package.errorString()));
    m_file->Commit();
    m_file.reset();
}

} // namespace karvell
