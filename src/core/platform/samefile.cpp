#include "platform/samefile.h"

#include <QFile>
#include <sys/stat.h>

#include "platform/error.h"

namespace karvell {

bool IsSameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void RefuseOutputOverInput(const QString& option, const QString& output,
                           const QStringList& inputs) {
    for (const QString& input : inputs)
        if (IsSameFile(output, input))
            throw KarvellError(
                QStringLiteral("%1 给出的输出文件“%2”就是输入文件“%3”（同一个文件），写入会毁掉"
                               "输入；请另选输出文件。未写入任何文件")
                    .arg(option, output, input));
}

} // namespace karvell
