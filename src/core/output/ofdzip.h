#pragma once
// ZIP packages in memory (libzip), for the fixed-layout document format.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace karvell {

// The package holding `parts` (name, bytes) in their order, deflated; throws KarvellError when
// the library fails.
QByteArray ZipParts(const QList<QPair<QString, QByteArray>>& parts);
// The parts of a package, in its order; nothing when it is no readable ZIP, a part's checksum
// does not match, or the parts unpack to more than `maxTotal` bytes (a hostile file cannot
// make the reader allocate without bound).
std::optional<QList<QPair<QString, QByteArray>>> UnzipParts(const QByteArray& zip,
                                                            qint64 maxTotal = 512 << 20);

} // namespace karvell
