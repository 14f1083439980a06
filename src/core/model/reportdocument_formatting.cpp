// Formatting operations on the selection, and the picture of one cell.
#include <QPainter>

#include "model/reportdocument.h"
#include "platform/gbk.h"

namespace karvell {

namespace {
TRect Grown(const TRect& r) {
    return {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
}
} // namespace

void TReportDocument::SetSelTextColor(COLORREF color) {
    for (TReportCell* cell : SelectedCells) {
        cell->SetTextColor(color);
        ViewInvalidate(cell->CellRect);
    }
}

void TReportDocument::SetSelColors(COLORREF textColor, COLORREF backColor) {
    for (TReportCell* cell : SelectedCells)
        cell->SetBackGroundColor(backColor);
    SetSelTextColor(textColor);
}

void TReportDocument::SetSelAlign(int horz, int vert) {
    for (TReportCell* cell : SelectedCells) {
        cell->HorzAlign = horz;
        cell->VertAlign = vert;
        ViewInvalidate(cell->CellRect);
    }
    UpdateLines();
}

void TReportDocument::SetSelDiagonal(uint32_t flags) {
    for (TReportCell* cell : SelectedCells) {
        cell->DiagonalFlags = flags;
        ViewInvalidate(cell->CellRect);
    }
}

void TReportDocument::SetSelFont(const LOGFONTA& font) {
    const LOGFONTA copy = font;
    for (TReportCell* cell : SelectedCells) {
        cell->SetLogFont(copy);
        ViewInvalidate(Grown(cell->CellRect));
    }
    UpdateLines();
}

void TReportDocument::SetSelBorders(bool left, bool top, bool right, bool bottom, int leftWidth,
                                    int topWidth, int rightWidth, int bottomWidth) {
    for (TReportCell* cell : SelectedCells) {
        cell->SetLeftLine(left);
        cell->SetLeftLineWidth(leftWidth);
        cell->SetTopLine(top);
        cell->SetTopLineWidth(topWidth);
        cell->SetRightLine(right);
        cell->SetRightLineWidth(rightWidth);
        cell->SetBottomLine(bottom);
        cell->SetBottomLineWidth(bottomWidth);
        ViewInvalidate(Grown(cell->CellRect));
    }
    UpdateLines();
}

void TReportDocument::SetSelDispFormat(const QByteArray& format) {
    const QByteArray held = Gbk::TruncateBytes(format, MAX_TEXT_BYTES);
    for (TReportCell* cell : SelectedCells) {
        cell->SetCellDispFormat(held);
        CellChanged(cell); // digit-column formats change how the cell is drawn
    }
}

void TReportDocument::SetSelText(const QByteArray& text) {
    const QByteArray held = Gbk::TruncateBytes(text, MAX_TEXT_BYTES);
    for (TReportCell* cell : SelectedCells)
        cell->SetCellText(held);
}

void TReportDocument::LoadCellPicture(TReportCell* cell, const QString& fileName) {
    if (!cell) return;
    const LoadedPicture picture = LoadPictureFile(fileName); // throws; the cell is unchanged
    if (!cell->CellBitmap) cell->CellBitmap = std::make_unique<TBitmap>();
    TBitmap& bitmap = *cell->CellBitmap;
    if (picture.isIcon) {
        // The bitmap takes the icon's size, keeping what it held; the icon is drawn over it
        // so its transparent parts show the old pixels.
        QImage resized(picture.image.size(), QImage::Format_RGB32);
        resized.fill(Qt::white);
        QPainter painter(&resized);
        if (!bitmap.image.isNull()) painter.drawImage(0, 0, bitmap.image);
        painter.drawImage(0, 0, picture.image);
        painter.end();
        bitmap.Assign(resized);
    } else {
        bitmap.Assign(picture.image);
    }
    cell->HasBitmap = true;
    ViewRepaintAll();
}

void TReportDocument::ClearCellPicture(TReportCell* cell) {
    if (!cell) return;
    cell->CellBitmap.reset();
    cell->HasBitmap = false;
}

} // namespace karvell
