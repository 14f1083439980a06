#pragma once
// ZIP packages (libzip): OFD documents written and read, spreadsheets read for joining.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "platform/error.h"

namespace karvell {

class AtomicFile;

struct ZipPart {
    QString name;
    QByteArray bytes;
    // A part kept elsewhere (a long document's pages in a scratch file), already deflated by
    // DeflateForZip: `load` gives its deflated bytes when the package is written, one part at a
    // time, and may throw KarvellError; `size` and `crc` are those of the part unpacked. The
    // package takes the deflated bytes as they are instead of compressing the part again.
    std::function<QByteArray()> load = {};
    qint64 size = -1;
    quint32 crc = 0;
};

// A part's bytes as a ZIP entry keeps them: raw DEFLATE data (libdeflate), with the size and
// CRC-32 of the bytes themselves.
struct DeflatedPart {
    QByteArray deflated;
    qint64 size = 0;
    quint32 crc = 0;
};
DeflatedPart DeflateForZip(const QByteArray& bytes);

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

// The package holding `parts` written into `file` and committed. It is made in a scratch file
// and copied in a piece at a time: a long document's is larger than memory should hold. Throws
// KarvellError; the target is then as it was.
void SaveZip(const QList<ZipPart>& parts, AtomicFile& file);

// A package on disk read one part at a time (the parts of a long document are not all held).
class ZipReader {
public:
    // Throws KarvellError when the file cannot be opened as a ZIP package.
    explicit ZipReader(const QString& path);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;
    // The part's bytes; nothing when there is no such part, it unpacks to more than `maxSize`
    // bytes or its checksum does not match.
    std::optional<QByteArray> Read(const QString& name, qint64 maxSize = 512 << 20);

private:
    struct Archive;
    std::unique_ptr<Archive> m_archive;
};

// A part of a join (karvell join): a package karvell wrote, read a part at a time, whose
// errors name the file and its kind.
class JoinPart {
public:
    // `kind` names the files in messages ("OFD", "XLSX"); throws KarvellError when the file
    // cannot be opened as a ZIP package.
    JoinPart(const QString& path, const QString& kind) : m_path(path), m_kind(kind), m_zip(path) {}
    // The error that the part is not one karvell wrote, and why.
    KarvellError Foreign(const QString& why) const;
    // The package part's bytes; throws Foreign() when it is missing or cannot be read.
    QByteArray Read(const QString& name);
    // The package part's bytes; nothing when it is not there.
    std::optional<QByteArray> ReadIfThere(const QString& name) { return m_zip.Read(name); }

private:
    QString m_path, m_kind;
    ZipReader m_zip;
};

} // namespace karvell
