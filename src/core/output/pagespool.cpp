#include "output/pagespool.h"

#include <QTemporaryFile>

#include "platform/error.h"
#include "platform/scratchfile.h"

namespace karvell {

TPageSpool::TPageSpool() : m_file(OpenScratchFile(QStringLiteral("karvell-pages-XXXXXX"))) {}

TPageSpool::~TPageSpool() = default;

void TPageSpool::Append(const QByteArray& page) {
    {
        std::lock_guard lock(m_mutex);
        const qint64 end = m_ends.empty() ? 0 : m_ends.back();
        if ((m_file->pos() != end && !m_file->seek(end)) || m_file->write(page) != page.size())
            ScratchWriteFailed(*m_file);
        m_ends.push_back(end + page.size());
    }
    m_changed.notify_all();
}

int TPageSpool::Count() const {
    std::lock_guard lock(m_mutex);
    return int(m_ends.size());
}

bool TPageSpool::WaitFor(int index) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return size_t(index) < m_ends.size() || m_closed; });
    return size_t(index) < m_ends.size();
}

void TPageSpool::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

QByteArray TPageSpool::Page(int index) const {
    std::lock_guard lock(m_mutex);
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
