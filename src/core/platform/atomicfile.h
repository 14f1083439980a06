#pragma once
// The one way files are saved: the bytes go into a temporary file beside the target, every
// write, the sync and the close are checked, and only then is the temporary renamed over the
// target. A full disk, a read-only folder or a killed process leaves the previous file as it
// was and no temporary behind.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace karvell {

// Throws KarvellError naming the file and the system's reason ("设备上没有空间").
void WriteFileAtomic(const QString& path, const QByteArray& bytes);

// The image as PNG bytes, for WriteFileAtomic; throws KarvellError when it cannot be encoded.
QByteArray EncodePng(const QImage& image);

} // namespace karvell
