#include "platform/session.h"

#include <QByteArray>
#include <QtGlobal>
#include <sys/stat.h>
#include <unistd.h>

namespace karvell {

void PrepareSessionEnvironment() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QByteArray dir = "/tmp/runtime-" + QByteArray::number(uint(::getuid()));
    ::mkdir(dir.constData(), 0700);
    struct stat st {};
    // Only a folder of our own that nobody else can read is used; Qt checks the same.
    if (::lstat(dir.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()) {
        if ((st.st_mode & 0777) != 0700) ::chmod(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
}

bool HasDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty()) return x11 || wayland;
    if (platform.startsWith("xcb")) return x11;
    if (platform.startsWith("wayland")) return wayland;
    return true; // offscreen, vnc, eglfs…: the plugin needs no display server
}

} // namespace karvell
