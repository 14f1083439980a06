#pragma once
// Opening a file for reading without surprises, and the system's error texts in Chinese.
#include <QFile>
#include <QString>

namespace karvell {

// The text of a system error number, in Chinese as the system's own translation words it
// ("没有那个文件或目录"); unknown numbers give "系统错误 N".
QString SystemErrorText(int errnum);

// Opens `file` (its file name set) read-only. Never blocks: a FIFO opens at once and reads end
// when no writer is left. Devices and folders are refused. On failure answers false with a
// Chinese reason in `error` (without the file name).
bool OpenForReading(QFile& file, QString* error);

} // namespace karvell
