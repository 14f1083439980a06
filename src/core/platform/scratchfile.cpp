#include "platform/scratchfile.h"

#include <QDir>
#include <QTemporaryFile>

#include "platform/error.h"
#include "platform/syserror.h"

namespace karvell {

std::unique_ptr<QTemporaryFile> OpenScratchFile(const QString& pattern) {
    auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(pattern));
    if (!file->open())
        throw KarvellError(QStringLiteral("无法创建临时文件“%1”：%2")
                               .arg(file->fileTemplate(), file->errorString()));
    return file;
}

void ScratchWriteFailed(const QFileDevice& file, int errorNumber) {
    throw KarvellError(QStringLiteral("无法写入临时文件“%1”：%2")
                           .arg(file.fileName(), errorNumber != 0 ? SystemErrorText(errorNumber)
                                                                  : file.errorString()));
}

} // namespace karvell
