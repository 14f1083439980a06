#include "output/ofdsink.h"

#include "output/ofdzip.h"
#include "platform/atomicfile.h"
#include "platform/error.h"

namespace karvell {

TOfdSink::TOfdSink(const QString& path, const QString& title, int dpi) : m_path(path), m_dpi(dpi) {
    m_info.title = title;
    m_info.creatorVersion = OfdCreatorVersion();
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
    SaveZip(m_document.Parts(m_info), *m_file);
    m_file.reset();
}

} // namespace karvell
