#include "platform/fileopen.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace karvell {

QString SystemErrorText(int errnum) {
    static const struct {
        int number;
        const char* text;
    } kTexts[] = {
        {ENOENT, "没有那个文件或目录"},
        {EACCES, "权限不够"},
        {EPERM, "不允许的操作"},
        {EISDIR, "是一个目录"},
        {ENOTDIR, "不是目录"},
        {ENOSPC, "设备上没有空间"},
        {EDQUOT, "超出磁盘限额"},
        {EROFS, "只读文件系统"},
        {EIO, "输入/输出错误"},
        {EMFILE, "打开的文件过多"},
        {ENFILE, "系统中打开的文件过多"},
        {ENAMETOOLONG, "文件名过长"},
        {ELOOP, "符号连接的层数过多"},
        {EEXIST, "文件已存在"},
        {ENXIO, "没有那个设备或地址"},
        {ENODEV, "没有那个设备"},
        {EFBIG, "文件过大"},
        {ETXTBSY, "文本文件忙"},
        {EBUSY, "设备或资源忙"},
        {ENOMEM, "无法分配内存"},
        {EXDEV, "无效的跨设备链接"},
        {EINVAL, "无效的参数"},
    };
    for (const auto& t : kTexts)
        if (t.number == errnum) return QString::fromUtf8(t.text);
    return QStringLiteral("系统错误 %1").arg(errnum);
}

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
