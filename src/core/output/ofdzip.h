#pragma once
// ZIP packages (libzip), for the fixed-layout document format.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <optional>

namespace karvell {

struct ZipPart {
    QString name;
    QByteArray bytes;
    // The bytes are qCompress()ed: they are unpacked one part at a time while the package is
    // written, so that a long document's pages are never all held unpacked at once.
    bool packed = false;
    // A packed part kept elsewhere (a long document's pages in a scratch file): gives its
    // qCompress()ed bytes when the part is written, and may throw KarvellError. `bytes` stays
    // empty and `size` is the unpacked size.
    std::function<QByteArray()> load = {};
    qint64 size = -1;
};

// The package holding `parts` in their order, deflated; throws KarvellError when the library
// fails or a part cannot be loaded.
QByteArray ZipParts(const QList<ZipPart>& parts);
// The same package written to the file at `path` (created or replaced), so that a long
// document's package is never held in memory.
void ZipPartsToFile(const QList<ZipPart>& parts, const QString& path);
// The parts of a package, in its order; nothing when it is no readable ZIP, a part's checksum
// does not match, or the parts unpack to more than `maxTotal` bytes (a hostile file cannot
// make the reader allocate without bound).
std::optional<QList<QPair<QString, QByteArray>>> UnzipParts(const QByteArray& zip,
                                                            qint64 maxTotal = 512 << 20);

} // namespace karvell
