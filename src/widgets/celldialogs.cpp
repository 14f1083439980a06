#include "celldialogs.h"

#include <QVariantMap>
#include <memory>

#include "model/reportdocument.h"
#include "platform/messages.h"
#include "render/colorref.h"

namespace karvell {

BorderValues BorderValuesOf(const TReportCell& cell) {
    BorderValues v;
    v.left = cell.LeftLine;
    v.top = cell.TopLine;
    v.right = cell.RightLine;
    v.bottom = cell.BottomLine;
    v.leftWidth = cell.LeftLineWidth;
    v.topWidth = cell.TopLineWidth;
    v.rightWidth = cell.RightLineWidth;
    v.bottomWidth = cell.BottomLineWidth;
    return v;
}

bool RunBorderDialog(QWidget* parent, TReportDocument& grid, const TReportCell& cell) {
    const auto dialog = std::make_unique<TBorderForm>(parent);
    dialog->SetValues(BorderValuesOf(cell));
    if (dialog->exec() != QDialog::Accepted) return false;
    const BorderValues r = dialog->Values();
    grid.SetSelBorders(r.left, r.top, r.right, r.bottom, r.leftWidth, r.topWidth, r.rightWidth,
                       r.bottomWidth);
    return true;
}

bool RunFontDialog(TReportDocument& grid, LOGFONTA& start, COLORREF& color) {
    // The platform's dialog works with plain RGB values.
    QVariantMap initial;
    initial.insert(QStringLiteral("font"), LogFontToBytes(start));
    initial.insert(QStringLiteral("color"), uint(ResolveColorRef(color)));
    const std::optional<QVariant> answer =
        MessageService::Instance().Dialog(DialogKind::Font, QVariant(initial));
    if (!answer) return false;
    const QVariantMap chosen = answer->toMap();
    const QByteArray font = chosen.value(QStringLiteral("font")).toByteArray();
    if (font.size() != int(sizeof(LOGFONTA))) return false;
    start = LogFontFromBytes(font.constData());
    color = chosen.value(QStringLiteral("color"), 0u).toUInt();
    grid.SetSelFont(start);
    grid.SetSelTextColor(color);
    return true;
}

} // namespace karvell
