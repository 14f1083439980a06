#pragma once
// A period's archive package: one file per voucher named after its key, index.xml describing
// every voucher (its key, master fields, page count, footer totals, file, SHA-256 and size, the
// template's SHA-256, the time of archiving) and SHA256SUMS over every file, index.xml included.
//
// The package is built in a hidden folder beside the target and takes the target's place by a
// rename only when it is complete: a failed run leaves no half package. A target folder that
// exists and is not empty is refused unless replacing it was asked for.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTemporaryDir;

namespace karvell {

// A key made fit for a file name on every common system: no path separators, reserved or
// control characters (each becomes "_"), no leading or trailing dots and blanks, at most 100
// characters; "_" for a key with nothing left.
QString SafeFileName(const QString& key);

struct ArchiveVoucher {
    QString key;
    QList<QPair<QString, QString>> fields; // master fields, name and value as printed
    int pages = 0;
    QStringList totals; // the number texts of the last page's footer
};

class ArchivePackage {
public:
    // Checks the target (throws KarvellError naming it) and makes the hidden folder beside it.
    ArchivePackage(const QString& dir, bool replace, const QByteArray& templateBytes,
                   const QString& templateName, const QString& format);
    ~ArchivePackage();

    // Adds a voucher's file; answers the name it got. A name another voucher already has gets
    // a numbered suffix ("记-0001_2.ofd"), and OnNote says so.
    QString Add(const ArchiveVoucher& voucher, const QByteArray& file);
    // Writes index.xml and SHA256SUMS and puts the package in the target's place.
    void Finish();
    int Count() const { return int(m_entries.size()); }

    std::function<void(const QString&)> OnNote;

private:
    struct Entry {
        ArchiveVoucher voucher;
        QString file;
        QByteArray sha256; // hex
        qint64 size = 0;
    };
    QByteArray IndexXml() const;
    void Write(const QString& name, const QByteArray& bytes);
    QString m_dir;
    bool m_replace;
    QByteArray m_templateSha;
    QString m_templateName;
    QString m_format;
    QDateTime m_time;
    std::unique_ptr<QTemporaryDir> m_build;
    QList<Entry> m_entries;
    QStringList m_taken; // lower-case names in use
};

// The faults of an archive package, one line each naming the file: hashes that differ, listed
// files missing, files not listed, an index that does not match the sums or the files, OFD
// files that cannot be read as OFD. Empty when the package is intact. `checkOfd` reads an
// OFD file's bytes and answers its faults.
QStringList VerifyArchive(const QString& dir,
                          const std::function<QStringList(const QByteArray&)>& checkOfd);

// Faults of an OFD package's structure: a ZIP whose parts read back with matching checksums,
// OFD.xml naming its document, every page and resource it lists present, every XML part
// well-formed in the OFD namespace.
QStringList CheckOfdPackage(const QByteArray& ofd);

} // namespace karvell
