#pragma once
// A tiny RAM file system that is full, to see what a save does when the disk is: mounting needs
// root, so tests skip with a visible reason elsewhere.
#include <QString>
#include <QTemporaryDir>

namespace karvell::test {

class SmallDisk {
public:
    // Mounts a tmpfs of `bytes` in a temporary folder.
    explicit SmallDisk(qint64 bytes = 64 * 1024);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsMounted() const { return m_mounted; }
    QString WhyNot() const { return m_whyNot; }
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }
    // Takes all free space but `leave` bytes with a filler file.
    bool Fill(qint64 leave = 0);
    qint64 FreeBytes() const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_whyNot;
};

} // namespace karvell::test
