#include "output/pagespool.h"

#include <QTemporaryFile>

#include "platform/error.h"
#include "platform/scratchfile.h"

namespace karvell {

TPageSpool::TPageSpool() : m_file(OpenScratchFile(QStringLiteral("karvell-pages-XXXXXX"))) {}

TPageSpool::~TPageSpool() = default;

void TPageSpool::Append(const QByteArray& page) {
    const qint64 end = m_ends.empty() ? 0 : m_ends.back();
    if ((m_file->pos() != end && !m_file->seek(end)) || m_file->write(page) != page.size())
        ScratchWriteFailed(*m_file);
    m_ends.push_back(end + page.size());
}

QByteArray TPageSpool::Page(int index) const {
    const qint64 begin = index == 0 ? 0 : m_ends[size_t(index) - 1];
    const qint64 size = m_ends[size_t(index)] - begin;
    QByteArray page;
    // Pages written since the last read are still in the file's buffer.
    if (m_file->flush() && m_file->seek(begin)) page = m_file->read(size);
    if (page.size() != size)
        throw KarvellError(QStringLiteral("无法读回临时文件“%1”中的第 %2 页：%3")
                               .arg(m_file->fileName())
                               .arg(index + 1)
                               .arg(m_file->errorString()));
    return page;
}

} // namespace karvell
