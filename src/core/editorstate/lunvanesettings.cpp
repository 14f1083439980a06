#include "editorstate/lunvanesettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>

#include "platform/gbk.h"
#include "platform/printer.h"
#include "platform/profile.h"

namespace karvell::Lunvane {
namespace {
const QByteArray kOther = Gbk::Encode(QStringLiteral("其他"));
} // namespace

QString SettingsFile() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG base directories are absolute: a relative value is ignored.
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QStringLiteral("/Lunvane.ini");
}

OtherSettings LoadOther(const QString& file) {
    OtherSettings s;
    s.toolbar = Profile::ReadInt(file, kOther, "toolbar", 1);
    s.statusbar = Profile::ReadInt(file, kOther, "statusbar", 1);
    s.autosave = Profile::ReadInt(file, kOther, "autosave", 1);
    s.savetime = Profile::ReadInt(file, kOther, "savetime", 120000);
    s.fonts = Profile::ReadInt(file, kOther, "fonts", 1);
    return s;
}

bool SaveOther(const QString& file, const OtherSettings& s) {
    // The folder may not exist yet on a fresh account.
    QDir().mkpath(QFileInfo(file).absolutePath());
    bool ok = true;
    for (const auto& [key, value] : {std::pair{"toolbar", s.toolbar},
                                     {"statusbar", s.statusbar},
                                     {"autosave", s.autosave},
                                     {"fonts", s.fonts}})
        ok = Profile::WriteString(file, kOther, key, QByteArray::number(value)) && ok;
    return ok;
}

QPointF LoadOffset(const QString& file) {
    auto read = [&](const QByteArray& key) {
        bool ok = false;
        const double mm = Profile::ReadString(file, "Offset", key, QByteArray()).toDouble(&ok);
        return ok && FormOffsetAllowed(mm) ? mm : 0.0; // the page setup's own range
    };
    return QPointF(read("OffsetX"), read("OffsetY"));
}

bool SaveOffset(const QString& file, QPointF mm) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    const bool x =
        Profile::WriteString(file, "Offset", "OffsetX", QByteArray::number(mm.x(), 'g', 6));
    const bool y =
        Profile::WriteString(file, "Offset", "OffsetY", QByteArray::number(mm.y(), 'g', 6));
    return x && y;
}

} // namespace karvell::Lunvane
