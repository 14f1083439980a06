#pragma once
// The one way files are saved: the bytes go into a temporary file beside the target, every
// write and the sync are checked, and only then does the temporary take the target's place by
// a rename. A full disk, a read-only folder or a killed process leaves the previous file as it
// was.
//
// The temporary is unnamed (O_TMPFILE) where the file system allows, so a killed save leaves
// nothing; it gets a name only for the moment of the rename. Elsewhere it is a hidden file
// ".NAME.~XXXXXX", locked while in use; every save removes the unlocked ones of its target that
// an earlier, killed save left behind.
//
// A save over a symbolic link writes the link's target and keeps the link, as editors do. A
// target the user may not write, or one that is not a regular file, is refused with the
// system's reason, although the folder would allow replacing it.
#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

namespace karvell {

// A save in steps, for contents written piece by piece. Every failure throws KarvellError
// naming the file and the system's reason ("设备上没有空间").
class AtomicFile {
public:
    // Resolves the target through links, checks it may be written, and creates the temporary.
    explicit AtomicFile(const QString& path);
    // Not committed: the temporary goes, the target stays as it was.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(const QByteArray& bytes);
    // Writes what is left of `source` a megabyte at a time, for files made elsewhere (a
    // library's output in a scratch file) that are larger than memory should hold. False when
    // reading fails, which the caller names; a failed write throws as Write() does.
    bool WriteFrom(QIODevice& source);
    // Syncs the temporary and renames it over the target.
    void Commit();
    // The file that the save replaces: the path with its symbolic links followed.
    QByteArray Target() const { return m_target; }

private:
    [[noreturn]] void Fail(int errorNumber);
    void LinkUnnamed(); // gives the unnamed temporary its name beside the target
    QString m_path;
    QByteArray m_target;
    struct Temporary {
        ~Temporary(); // closes and removes what was not committed
        int fd = -1;
        QByteArray name; // empty while unnamed
    };
    Temporary m_temp; // last: goes first, also when the constructor fails
};

void WriteFileAtomic(const QString& path, const QByteArray& bytes);

// The image as PNG bytes, for WriteFileAtomic; throws KarvellError when it cannot be encoded.
QByteArray EncodePng(const QImage& image);

} // namespace karvell
