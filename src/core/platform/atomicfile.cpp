#include "platform/atomicfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/error.h"
#include "platform/syserror.h"

namespace karvell {
namespace {

constexpr int kMaxLinkHops = 40; // as the kernel's own limit for a path
constexpr int kSuffixLength = 6;

// Writes all bytes, going on after short writes and interruptions.
bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The file a save of `path` (absolute) replaces: symbolic links followed, also a link to a
// file that does not exist yet. 0 or the errno that stops it.
int FollowLinks(QByteArray* path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path->constData(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) return 0;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path->constData(), link.data(), size_t(link.size()));
        if (n < 0) return errno;
        link.truncate(n);
        *path = link.startsWith('/') ? link : FolderOf(*path) + '/' + link;
    }
    return ELOOP;
}

// The mode the new file gets: the old file's, else what the umask leaves of rw-rw-rw-.
mode_t TargetMode(const QByteArray& target) {
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The temporaries' names: ".NAME.~" and six letters or digits, beside the target.
QByteArray TempNamePrefix(const QByteArray& target) {
    return "." + target.mid(target.lastIndexOf('/') + 1) + ".~";
}

QByteArray TempPrefix(const QByteArray& target) {
    return FolderOf(target) + '/' + TempNamePrefix(target);
}

bool IsSuffix(const char* text) {
    int n = 0;
    for (; text[n]; ++n)
        if (!((text[n] >= '0' && text[n] <= '9') || (text[n] >= 'A' && text[n] <= 'Z') ||
              (text[n] >= 'a' && text[n] <= 'z')))
            return false;
    return n == kSuffixLength;
}

// Removes the temporaries of `target` that saves killed before their rename left behind: the
// caller's own, regular files that no running save holds locked.
void RemoveStaleTemporaries(const QByteArray& target) {
    const QByteArray namePrefix = TempNamePrefix(target);
    DIR* dir = ::opendir(FolderOf(target).constData());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, namePrefix.constData(), size_t(namePrefix.size())) != 0 ||
            !IsSuffix(entry->d_name + namePrefix.size()))
            continue;
        const int fd =
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

QByteArray RandomSuffix() {
    static const char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QByteArray suffix(kSuffixLength, '0');
    for (char& c : suffix)
        c = kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
    return suffix;
}

} // namespace

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        throw KarvellError(QStringLiteral("无法把图像编码为 PNG"));
    return bytes;
}

AtomicFile::Temporary::~Temporary() {
    if (fd >= 0) ::close(fd);
    if (!name.isEmpty()) ::unlink(name.constData());
}

AtomicFile::AtomicFile(const QString& path) : m_path(path) {
    m_target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (const int error = FollowLinks(&m_target)) Fail(error);

    // The folder's permission would let the rename replace a file that the user may not write;
    // the file's own answer counts. Only regular files are replaced.
    struct stat st {};
    if (::stat(m_target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) Fail(EISDIR);
        if (!S_ISREG(st.st_mode))
            throw KarvellError(
                QStringLiteral("无法写入文件“%1”：不是普通文件（是设备、管道或套接字）").arg(path));
        const int fd = ::open(m_target.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) Fail(errno);
        ::close(fd);
    }

    RemoveStaleTemporaries(m_target);
    const QByteArray folder = FolderOf(m_target);
    m_temp.fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (m_temp.fd < 0) {
        // A file system without unnamed files: a named one, locked so that no other save
        // takes it for a leftover.
        QByteArray name = TempPrefix(m_target) + QByteArray(kSuffixLength, 'X');
        m_temp.fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_temp.fd < 0) Fail(errno);
        m_temp.name = name;
    }
    ::flock(m_temp.fd, LOCK_EX);
    // The previous file's owner and group stay where the system allows it (a save by root).
    if (::stat(m_target.constData(), &st) == 0 && ::fchown(m_temp.fd, st.st_uid, st.st_gid) != 0)
        (void)::fchown(m_temp.fd, uid_t(-1), st.st_gid);
}

AtomicFile::~AtomicFile() = default;

void AtomicFile::Fail(int errorNumber) {
    throw KarvellError(
        QStringLiteral("无法写入文件“%1”：%2").arg(m_path, SystemErrorText(errorNumber)));
}

void AtomicFile::Write(const QByteArray& bytes) {
    if (m_temp.fd < 0 || !WriteAll(m_temp.fd, bytes.constData(), bytes.size())) Fail(errno);
}

bool AtomicFile::WriteFrom(QIODevice& source) {
    while (!source.atEnd()) {
        const QByteArray piece = source.read(1 << 20);
        if (piece.isEmpty()) return false;
        Write(piece);
    }
    return true;
}

void AtomicFile::LinkUnnamed() {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_temp.fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = TempPrefix(m_target) + RandomSuffix();
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
                0 ||
            ::linkat(m_temp.fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0) {
            m_temp.name = name;
            return;
        }
        if (errno != EEXIST) Fail(errno);
    }
    Fail(EEXIST);
}

void AtomicFile::Commit() {
    if (m_temp.fd < 0) Fail(EBADF);
    if (::fchmod(m_temp.fd, TargetMode(m_target)) != 0) Fail(errno);
    if (::fsync(m_temp.fd) != 0) Fail(errno);
    // An unnamed file cannot replace a name directly (linkat will not overwrite): it is named
    // for the moment of the rename, the one step that makes the save visible.
    if (m_temp.name.isEmpty()) LinkUnnamed();
    if (::rename(m_temp.name.constData(), m_target.constData()) != 0) Fail(errno);
    m_temp.name.clear();
    const int closed = ::close(std::exchange(m_temp.fd, -1));
    if (closed != 0) Fail(errno);
    // The rename itself reaches the disk with the folder's entry.
    const int dir = ::open(FolderOf(m_target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void WriteFileAtomic(const QString& path, const QByteArray& bytes) {
    AtomicFile file(path);
    file.Write(bytes);
    file.Commit();
}

} // namespace karvell
