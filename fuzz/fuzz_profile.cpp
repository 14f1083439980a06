// The profile reader: any file content reads without a fault; a value written is read back.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "fuzz_common.h"
#include "platform/profile.h"

using namespace karvell;

namespace {
QString g_file;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    // In memory where the system has it: every run writes the file and saves it atomically.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/karvell-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/karvell-fuzz-XXXXXX"));
    g_file = dir.filePath(QStringLiteral("fuzz.ini"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line names the section and key looked up; the rest is the file.
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = input.indexOf('\n');
    const QByteArray names = nl < 0 ? input : input.left(nl);
    const QByteArray content = nl < 0 ? QByteArray() : input.mid(nl + 1);
    const qsizetype eq = names.indexOf('=');
    const QByteArray section = eq < 0 ? names : names.left(eq);
    const QByteArray key = eq < 0 ? QByteArrayLiteral("Key") : names.mid(eq + 1);
    {
        QFile file(g_file);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(content);
    }
    Profile::ReadInt(g_file, section, key, 7);
    Profile::ReadString(g_file, section, key, "default");
    Profile::ReadInt(g_file, "VchPrintSetup", "AddSpace", 0);
    Profile::ReadString(g_file, "VchPrintSetup", "EnableEdit", "");
    // Plain names and a plain value (what the programs write) read back after a write.
    if (Profile::WriteString(g_file, "Fuzz", "Value", "12 ab")) {
        if (Profile::ReadString(g_file, "Fuzz", "Value", "") != "12 ab" ||
            Profile::ReadInt(g_file, "fuzz", "VALUE", 0) != 12)
            fuzz::Finding("a value written to a profile is not read back");
    }
    return 0;
}
