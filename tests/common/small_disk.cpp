#include "common/small_disk.h"

#include <QFile>
#include <QProcess>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace karvell::test {

SmallDisk::SmallDisk(qint64 bytes) {
    if (!m_dir.isValid()) {
        m_whyNot = QStringLiteral("no temporary folder");
        return;
    }
    if (::geteuid() != 0) {
        m_whyNot = QStringLiteral("mounting a small tmpfs needs root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                options.constData()) != 0) {
        m_whyNot = QStringLiteral("mount -t tmpfs is not allowed here");
        return;
    }
    m_mounted = true;
}

SmallDisk::~SmallDisk() {
    if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

qint64 SmallDisk::FreeBytes() const {
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &st) != 0) return -1;
    return qint64(st.f_bavail) * qint64(st.f_frsize);
}

bool SmallDisk::Fill(qint64 leave) {
    QFile filler(FilePath(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::Append)) return false;
    const QByteArray block(4096, 'x');
    while (FreeBytes() > leave) {
        const qint64 chunk =
            std::min<qint64>(block.size(), std::max<qint64>(1, FreeBytes() - leave));
        if (filler.write(block.constData(), chunk) != chunk || !filler.flush()) break;
    }
    filler.close();
    return FreeBytes() <= leave;
}

} // namespace karvell::test
