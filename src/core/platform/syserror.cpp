#include "platform/syserror.h"

#include <cerrno>

namespace karvell {

QString SystemErrorText(int errorNumber) {
    struct Entry {
        int number;
        const char* text;
    };
    // The texts of glibc's Chinese (zh_CN) catalogue, for the errors a file operation meets.
    static const Entry kTexts[] = {
        {EPERM, "不允许的操作"},       {ENOENT, "没有那个文件或目录"},
        {EIO, "输入/输出错误"},        {ENXIO, "没有那个设备或地址"},
        {EBADF, "错误的文件描述符"},   {ENOMEM, "无法分配内存"},
        {EACCES, "权限不够"},          {EBUSY, "设备或资源忙"},
        {EEXIST, "文件已存在"},        {EXDEV, "无效的跨设备链接"},
        {ENODEV, "没有那个设备"},      {ENOTDIR, "不是目录"},
        {EISDIR, "是一个目录"},        {EINVAL, "无效的参数"},
        {EMFILE, "打开的文件过多"},    {ENFILE, "系统中打开的文件过多"},
        {ETXTBSY, "文本文件忙"},       {EFBIG, "文件过大"},
        {ENOSPC, "设备上没有空间"},    {ESPIPE, "非法 seek 操作"},
        {EROFS, "只读文件系统"},       {EMLINK, "过多的链接"},
        {EPIPE, "断开的管道"},         {ENAMETOOLONG, "文件名过长"},
        {ELOOP, "符号连接的层数过多"}, {EDQUOT, "超出磁盘限额"},
        {ESTALE, "过旧的文件控柄"},
    };
    for (const Entry& e : kTexts)
        if (e.number == errorNumber) return QString::fromUtf8(e.text);
    return QStringLiteral("系统错误 %1").arg(errorNumber);
}

} // namespace karvell
