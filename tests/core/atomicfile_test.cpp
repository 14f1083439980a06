// Saving: through symbolic links into their target, refused where the system refuses a write,
// and nothing left behind by a save that was killed.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/atomicfile.h"
#include "platform/error.h"

using namespace karvell;

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Put(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// What a symbolic link holds; empty for anything else.
QString LinkText(const QString& link) {
    char text[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), text, sizeof text);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(text, n));
}

// The names in a folder, in code point order.
QStringList Entries(const QString& dir) {
    QStringList names =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

TEST(AtomicFile, ASaveOverASymbolicLinkWritesItsTargetAndKeepsTheLink) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/Lunvane.ini"));
    const struct {
        const char* name;
        const char* link;    // saved through this name
        const char* points;  // the link's text
        const char* through; // a second link the first points to, or null
    } cases[] = {
        {"relative link", "a.ini", "real/Lunvane.ini", nullptr},
        {"absolute link", "b.ini", nullptr, nullptr},
        {"link to a link", "c.ini", "hop.ini", "real/Lunvane.ini"},
        {"link into the folder", "real/d.ini", "Lunvane.ini", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(target, "old");
        const QString link = dir.filePath(QString::fromLatin1(c.link));
        const QString points = c.points ? QString::fromLatin1(c.points) : target;
        ASSERT_EQ(::symlink(QFile::encodeName(points).constData(), QFile::encodeName(link)), 0);
        if (c.through) {
            ASSERT_EQ(::symlink(c.through, QFile::encodeName(dir.filePath("hop.ini")).constData()),
                      0);
        }
        WriteFileAtomic(link, QByteArrayLiteral("new ") + c.name);
        EXPECT_EQ(LinkText(link), points) << "the link is still the same link";
        EXPECT_EQ(ReadAll(target), QByteArrayLiteral("new ") + c.name);
        QFile::remove(link);
        QFile::remove(dir.filePath("hop.ini"));
    }
    // A link whose target does not exist yet: the target is made, the link stays.
    const QString dangling = dir.filePath(QStringLiteral("e.ini"));
    ASSERT_EQ(::symlink("real/new.ini", QFile::encodeName(dangling).constData()), 0);
    WriteFileAtomic(dangling, "made");
    EXPECT_EQ(LinkText(dangling), QStringLiteral("real/new.ini"));
    EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("real/new.ini"))), "made");
    EXPECT_EQ(Entries(dir.filePath(QStringLiteral("real"))),
              QStringList({QStringLiteral("Lunvane.ini"), QStringLiteral("new.ini")}))
        << "no temporary is left";
}

// Runs `save` as the unprivileged user "nobody" when this is root (root may write anything),
// else as this user; answers the message of the KarvellError, or "" when the save succeeded.
template <typename Save> std::string RunUnprivileged(Save save) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        std::string message;
        try {
            save();
        } catch (const KarvellError& e) {
            message = e.message().toStdString();
        }
        (void)!::write(pipeFds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? message : "child failed";
}

TEST(AtomicFile, AFileTheUserMayNotWriteIsRefusedAlthoughItsFolderIsOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A folder anyone may write (not sticky): a rename there could replace any file.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString file = dir.filePath(QStringLiteral("ledger.edj"));
    Put(file, "kept");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), ::geteuid() == 0 ? 0644 : 0444), 0);
    const std::string message = RunUnprivileged([&] { WriteFileAtomic(file, "replaced"); });
    EXPECT_NE(message.find("权限不够"), std::string::npos) << message;
    EXPECT_NE(message.find("ledger.edj"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(file), "kept");
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("ledger.edj")});

    // What is not a regular file is not replaced by one.
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    EXPECT_THROW(WriteFileAtomic(fifo, "x"), KarvellError);
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

TEST(AtomicFile, ASaveKilledMidwayLeavesNothingAfterTheNextSave) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("凭证.edj"));
    Put(file, "previous");

    // A save that is killed while it writes its temporary.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile save(file);
        save.Write(QByteArray(1 << 20, 'x'));
        (void)!::write(ready[1], "w", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ReadAll(file), "previous");

    // Temporaries a killed save could leave with a name (a file system without unnamed files,
    // or a kill just before the rename), and one that a running save holds.
    const QString stale = dir.filePath(QStringLiteral(".凭证.edj.~a1B2c3"));
    const QString held = dir.filePath(QStringLiteral(".凭证.edj.~Zz9Yy8"));
    const QString other = dir.filePath(QStringLiteral(".凭证.edj.backup"));
    for (const QString& f : {stale, held, other})
        Put(f, "left");
    const int holder = ::open(QFile::encodeName(held).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    WriteFileAtomic(file, "next");
    EXPECT_EQ(ReadAll(file), "next");
    EXPECT_EQ(Entries(dir.path()),
              QStringList({QStringLiteral(".凭证.edj.backup"), QStringLiteral(".凭证.edj.~Zz9Yy8"),
                           QStringLiteral("凭证.edj")}))
        << "the stale temporary is gone; a held one and the user's own file stay";
    ::close(holder);
    WriteFileAtomic(file, "again");
    EXPECT_FALSE(QFile::exists(held));
}

} // namespace
