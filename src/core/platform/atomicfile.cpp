#include "platform/atomicfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/syserror.h"

namespace karvell {
namespace {

[[noreturn]] void Fail(const QString& path, int errorNumber) {
    throw KarvellError(
        QStringLiteral("无法写入文件“%1”：%2").arg(path, SystemErrorText(errorNumber)));
}

// Writes all bytes, going on after short writes and interruptions.
bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The mode the new file gets: the old file's, else what the umask leaves of rw-rw-rw-.
mode_t TargetMode(const QByteArray& target) {
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        throw KarvellError(QStringLiteral("无法把图像编码为 PNG"));
    return bytes;
}

void WriteFileAtomic(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temp = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";

    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Fail(path, errno);
    int error = 0;
    if (!WriteAll(fd, bytes.constData(), bytes.size())) error = errno;
    if (!error && ::fchmod(fd, TargetMode(target)) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.constData(), target.constData()) != 0) error = errno;
    if (error) {
        ::unlink(temp.constData());
        Fail(path, error);
    }
    // The rename itself reaches the disk with the folder's entry.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace karvell
