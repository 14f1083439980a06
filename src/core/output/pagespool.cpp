#include "output/pagespool.h"

#include <QDir>
#include <QTemporaryFile>

#include "platform/error.h"

namespace karvell {

TPageSpool::TPageSpool()
    : m_file(std::make_unique<QTemporaryFile>(
          QDir::temp().filePath(QStringLiteral("karvell-pages-XXXXXX")))) {
    if (!m_file->open())
        throw KarvellError(QStringLiteral("无法创建临时文件“%1”：%2")
                               .arg(m_file->fileTemplate(), m_file->errorString()));
}

TPageSpool::~TPageSpool() = default;

void TPageSpool::Append(const QByteArray& page) {
    const qint64 end = m_ends.empty() ? 0 : m_ends.back();
    if (m_file->pos() != end && !m_file->seek(end))
        throw KarvellError(QStringLiteral("无法写入临时文件“%1”：%2")
                               .arg(m_file->fileName(), m_file->errorString()));
    if (m_file->write(page) != page.size())
        throw KarvellError(QStringLiteral("无法写入临时文件“%1”：%2")
                               .arg(m_file->fileName(), m_file->errorString()));
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
