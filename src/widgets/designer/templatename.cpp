#include "templatename.h"

#include <QRegularExpression>

#include "platform/error.h"

namespace karvell {
namespace {

bool IsSafeName(const QString& name) {
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))) return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control) return false;
    // Both separators count: a name written on Windows uses the backslash.
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    for (const QString& part : name.split(separators))
        if (part == QLatin1String("..")) return false;
    return true;
}

} // namespace

QString TemplatePath(const QString& base, const QString& formatName) {
    if (!IsSafeName(formatName))
        throw KarvellError(
            QStringLiteral("模板名称“%1”无效：模板文件必须位于 edj 文件夹内").arg(formatName));
    const QString relative = QStringLiteral("edj/") + formatName + QStringLiteral(".edj");
    return base.isEmpty() ? relative : base + QLatin1Char('/') + relative;
}

} // namespace karvell
