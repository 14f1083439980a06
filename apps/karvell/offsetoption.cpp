// --offset X,Y: the form offset for pre-printed paper, taken by every command that prints.
#include "offsetoption.h"

#include <cmath>

#include "platform/printer.h"

namespace karvell::cli {

bool ParseOffset(const QString& text, QPointF* mm) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2) return false;
    bool okX = false, okY = false;
    const double x = parts[0].trimmed().toDouble(&okX);
    const double y = parts[1].trimmed().toDouble(&okY);
    // A few metres is more paper than any printer takes; the bound keeps the numbers finite.
    if (!okX || !okY || std::abs(x) > 10000 || std::abs(y) > 10000) return false;
    *mm = QPointF(x, y);
    return true;
}

bool TakeOffsetOption(QStringList& args, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--offset")) continue;
        QPointF mm;
        if (i + 1 >= args.size() || !ParseOffset(args[i + 1], &mm)) {
            *error = QStringLiteral(
                "karvell: --offset needs X,Y in millimetres, right and down (for example 1.5,-2)");
            return false;
        }
        PrinterService::Instance().SetFormOffsetMm(mm);
        args.remove(i, 2);
        --i;
    }
    return true;
}

} // namespace karvell::cli
