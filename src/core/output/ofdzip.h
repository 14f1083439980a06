#pragma once
// ZIP packages in memory (libzip), for the fixed-layout document format.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace karvell {

struct ZipPart {
    QString name;
    QByteArray bytes;
    // The bytes are qCompress()ed: they are unpacked one part at a time while the package is
    // written, so that a long document's pages are never all held unpacked at once.
    bool packed = false;
};

// The package holding `parts` in their order, deflated; throws KarvellError when the library
// fails.
QByteArray ZipParts(const QList<ZipPart>& parts);
// The parts of a package, in its order; nothing when it is no readable ZIP, a part's checksum
// does not match, or the parts unpack to more than `maxTotal` bytes (a hostile file cannot
// make the reader allocate without bound).
std::optional<QList<QPair<QString, QByteArray>>> UnzipParts(const QByteArray& zip,
                                                            qint64 maxTotal = 512 << 20);

} // namespace karvell
