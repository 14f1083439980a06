#pragma once
// Opening a file for reading without surprises.
#include <QFile>
#include <QString>

#include "platform/syserror.h" // the system's error texts in Chinese

namespace karvell {

// Opens `file` (its file name set) read-only. Never blocks: a FIFO opens at once and reads end
// when no writer is left. Devices and folders are refused. On failure answers false with a
// Chinese reason in `error` (without the file name).
bool OpenForReading(QFile& file, QString* error);

} // namespace karvell
