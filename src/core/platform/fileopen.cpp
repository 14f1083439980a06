#include "platform/fileopen.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/syserror.h"

namespace karvell {

bool OpenForReading(QFile& file, QString* error) {
    const QByteArray path = QFile::encodeName(file.fileName());
    if (path.isEmpty()) {
        *error = SystemErrorText(ENOENT);
        return false;
    }
    // Non-blocking, so that a FIFO without a writer does not hold the open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemErrorText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *error = SystemErrorText(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = SystemErrorText(EISDIR);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
        *error = QStringLiteral("不是普通文件（是设备或套接字）");
        ::close(fd);
        return false;
    }
    // Reads block again as usual: a FIFO's read then waits for its writer and ends at once
    // when there is none.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = QStringLiteral("无法打开");
        ::close(fd);
        return false;
    }
    return true;
}

} // namespace karvell
