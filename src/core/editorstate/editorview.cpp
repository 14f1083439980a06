#include "editorstate/editorview.h"

#include <algorithm>

namespace karvell {
namespace {

int FitOne(int window, int allowance, int page) {
    const int room = window - allowance;
    if (page <= room || page <= 0) return 100;
    return int(double(room) / double(page) * 100.0); // truncates toward zero
}

} // namespace

int EditorFitZoom(QSize outer, QSize page) {
    return std::min(FitOne(outer.height(), 160, page.height()),
                    FitOne(outer.width(), 171, page.width()));
}

QPoint EditorGridPos(int clientWidth, int outerWindowHeight, QSize grid) {
    const int left = grid.width() + 20 < clientWidth ? (clientWidth - grid.width() - 20) / 2 : 30;
    const int t = (outerWindowHeight - 150 - grid.height()) / 2;
    return {left, t > 0 ? t + 5 : 5};
}

QPoint TakeFieldWindowSlot(int& column, int& row) {
    const QPoint pos(column * FIELD_WINDOW_WIDTH + 2, row * FIELD_WINDOW_HEIGHT + 2);
    if (pos.x() <= 780) {
        ++column;
    } else {
        ++row;
        column = 0;
    }
    return pos;
}

} // namespace karvell
