// --offset X,Y: the form offset for pre-printed paper, taken by every command that prints.
#include "offsetoption.h"

#include "platform/printer.h"

namespace karvell::cli {

bool ParseOffset(const QString& text, QPointF* mm) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) return false;
    bool okX = false, okY = false;
    const double x = parts[0].trimmed().toDouble(&okX);
    const double y = parts[1].trimmed().toDouble(&okY);
    if (!okX || !okY || !FormOffsetAllowed(x) || !FormOffsetAllowed(y)) return false;
    *mm = QPointF(x, y);
    return true;
}

bool TakeOffsetOption(QStringList& args, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--offset")) continue;
        QPointF mm;
        if (i + 1 >= args.size() || !ParseOffset(args[i + 1], &mm)) {
            *error =
                QStringLiteral("karvell：--offset 的值%1不可用：须是 X,Y 两个毫米数（向右、"
                               "向下），各在 -%2 到 %2 之间，例如 1.5,-2")
                    .arg(i + 1 < args.size() ? QStringLiteral("“%1”").arg(args[i + 1]) : QString())
                    .arg(kMaxFormOffsetMm);
            return false;
        }
        PrinterService::Instance().SetFormOffsetMm(mm);
        args.remove(i, 2);
        --i;
    }
    return true;
}

} // namespace karvell::cli
