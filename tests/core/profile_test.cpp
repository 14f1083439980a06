// Profile files: lookups, defaults, byte-for-byte preservation, creation and damaged files.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/gbk.h"
#include "platform/profile.h"

using namespace karvell;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray kSample = "; settings\r\n"
                           "[Other]\r\n"
                           "  AddSpace =  7 \r\n"
                           "\r\n"
                           "[VchPrintSetup]\r\n"
                           "AddSpace=2abc\r\n"
                           "EnableEdit=abc\r\n"
                           "Name = \"quoted value\" \r\n"
                           "Neg=-12\r\n"
                           "Empty=\r\n"
                           "\r\n"
                           "[Tail]\r\n"
                           "x=1"; // no line end at the end of the file

} // namespace

TEST(Profile, ReadsWithoutRegardToCaseAndWithDefaults) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("Quorbex.ini");
    WriteAll(ini, kSample);
    const struct {
        const char* section;
        const char* key;
        int expected;
    } ints[] = {
        {"vchprintsetup", "addspace", 2},   // leading digits only
        {"VCHPRINTSETUP", "ENABLEEDIT", 0}, // no digits
        {"VchPrintSetup", "Neg", -12},
        {"VchPrintSetup", "Empty", 99}, // empty value reads as missing
        {"VchPrintSetup", "Missing", 99},
        {"Missing", "AddSpace", 99},
        {"other", "addSPACE", 7}, // blanks around key and value
        {"Tail", "x", 1},
    };
    for (const auto& c : ints)
        EXPECT_EQ(Profile::ReadInt(ini, c.section, c.key, 99), c.expected) << c.section << c.key;
    EXPECT_EQ(Profile::ReadString(ini, "VchPrintSetup", "name", "d"), QByteArray("quoted value"));
    EXPECT_EQ(Profile::ReadString(ini, "VchPrintSetup", "nope", "d"), QByteArray("d"));
    EXPECT_EQ(Profile::ReadInt(dir.filePath("absent.ini"), "a", "b", 5), 5);
}

TEST(Profile, WritePreservesEverythingElse) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("Quorbex.ini");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        QByteArray expected;
    } cases[] = {
        // Replacing a value keeps the key's own spelling and every other byte.
        {"vchprintsetup", "ADDSPACE", "5",
         QByteArray(kSample).replace("AddSpace=2abc", "AddSpace=5")},
        // A new key goes after the section's last line, before the blank line.
        {"VCHPRINTSETUP", "Fresh", "x y",
         QByteArray(kSample).replace("Empty=\r\n", "Empty=\r\nFresh=x y\r\n")},
        // The last section has no line end yet.
        {"tail", "y", "2", kSample + "\r\ny=2\r\n"},
        // A new section is appended after a blank line.
        {"New", "k", "v", kSample + "\r\n\r\n[New]\r\nk=v\r\n"},
    };
    for (const Case& c : cases) {
        WriteAll(ini, kSample);
        EXPECT_TRUE(Profile::WriteString(ini, c.section, c.key, c.value));
        EXPECT_EQ(ReadAll(ini), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(Profile::ReadString(ini, c.section, c.key, "?"), QByteArray(c.value));
    }
}

TEST(Profile, CreatesTheFileWithChineseSections) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("sub/Lunvane.ini"); // the folder is made too
    const QByteArray other = Gbk::Encode(QString::fromUtf8("其他"));
    for (const char* key : {"toolbar", "statusbar", "autosave", "fonts"})
        ASSERT_TRUE(Profile::WriteString(ini, other, key, "1"));
    EXPECT_EQ(ReadAll(ini),
              "[" + other + "]\r\ntoolbar=1\r\nstatusbar=1\r\nautosave=1\r\nfonts=1\r\n");
    EXPECT_EQ(Profile::ReadInt(ini, other, "FONTS", 0), 1);
    EXPECT_EQ(Profile::ReadInt(ini, Gbk::Encode(QString::fromUtf8("其它")), "fonts", 0), 0);
    // Rewriting the same value leaves the file alone.
    EXPECT_TRUE(Profile::WriteString(ini, other, "Fonts", "1"));
    EXPECT_EQ(Profile::ReadInt(ini, other, "fonts", 0), 1);
}

TEST(Profile, DamagedOrUnwritableFiles) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("damaged.ini");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    WriteAll(ini, garbage);
    EXPECT_EQ(Profile::ReadInt(ini, "VchPrintSetup", "AddSpace", 3), 3);
    EXPECT_EQ(Profile::ReadString(ini, "VchPrintSetup", "EnableEdit", "d"), QByteArray("d"));
    // Writing still works and keeps the damaged bytes in front.
    EXPECT_TRUE(Profile::WriteString(ini, "VchPrintSetup", "AddSpace", "4"));
    EXPECT_TRUE(ReadAll(ini).startsWith(garbage));
    EXPECT_EQ(Profile::ReadInt(ini, "VchPrintSetup", "AddSpace", 3), 4);

    // A path that cannot be read (a folder) or whose folder cannot be made (under a file).
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(Profile::WriteString(dir.filePath("folder.ini"), "a", "b", "c"));
    EXPECT_EQ(Profile::ReadInt(dir.filePath("folder.ini"), "a", "b", 8), 8);
    EXPECT_FALSE(Profile::WriteString(ini + "/inner.ini", "a", "b", "c"));
    EXPECT_EQ(Profile::ReadInt(ini, "VchPrintSetup", "AddSpace", 3), 4);

    // A FIFO without a writer and an endless device read as defaults, without blocking or
    // reading without end.
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(Profile::ReadInt(fifo, "VchPrintSetup", "AddSpace", 5), 5);
    EXPECT_EQ(Profile::ReadInt("/dev/zero", "VchPrintSetup", "AddSpace", 6), 6);
}
