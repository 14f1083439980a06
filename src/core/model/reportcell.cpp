#include "model/reportcell.h"

#include "format/amountformat.h"
#include "model/limits.h"
#include "model/reportdocument.h"
#include "model/reportline.h"
#include "platform/gbk.h"
#include "platform/textlayout.h"

#include <algorithm>

namespace karvell {

namespace {
const QByteArray& HanCharacter() {
    // "汉" in GBK: an empty cell is measured as one line of text.
    static const QByteArray han("\xBA\xBA", 2);
    return han;
}
const QByteArray kCrLf("\r\n", 2);

} // namespace

TReportCell::TReportCell() : CellBitmap(std::make_unique<TBitmap>()), LogFont(DefaultCellFont()) {}

TReportCell::~TReportCell() = default;

void TReportCell::SetOwnerLine(TReportLine* line) {
    if (line) OwnerLine = line;
}

void TReportCell::AddOwnedCell(TReportCell* cell) {
    if (!cell || cell == this || OwnedCells.contains(cell)) return;
    cell->OwnerCell = this;
    // Joined texts are held to the 3000-byte limit of the template file.
    CellText = Gbk::TruncateBytes(CellText + cell->CellText, MAX_TEXT_BYTES);
    cell->SetCellText(QByteArray());
    OwnedCells.append(cell);
    if (!cell->OwnedCells.isEmpty()) {
        const QList<TReportCell*> inherited = cell->OwnedCells;
        cell->RemoveAllOwnedCells();
        for (TReportCell* c : inherited) {
            OwnedCells.append(c);
            c->OwnerCell = this;
        }
    }
}

void TReportCell::RemoveAllOwnedCells() {
    const QList<TReportCell*> owned = OwnedCells;
    for (TReportCell* c : owned) {
        c->OwnerCell = nullptr;
        c->CalcMinHeight();
    }
    OwnedCells.clear();
}

void TReportCell::RemoveOwnedCell(TReportCell* cell) {
    if (OwnedCells.removeOne(cell) && cell) cell->OwnerCell = nullptr;
}

void TReportCell::SetCellLeft(int left) {
    if (left == CellLeft) return;
    CellLeft = left;
    CalcCellTextRect();
}

void TReportCell::SetCellWidth(int width) {
    if (width == CellWidth) return;
    // The limits every saved template is read back with.
    CellWidth = width <= 10 ? 10 : std::min(width, MAX_SIZE_PX);
    CalcMinHeight();
    CalcCellTextRect();
}

#define KARVELL_BORDER_SETTER(Name, Field, Limit)                                                  \
    void TReportCell::Name(decltype(Field) v) {                                                    \
        v = Limit(v);                                                                              \
        if (v == Field) return;                                                                    \
        Field = v;                                                                                 \
        CalcMinHeight();                                                                           \
        CalcCellTextRect();                                                                        \
    }
KARVELL_BORDER_SETTER(SetLeftLine, LeftLine, bool)
KARVELL_BORDER_SETTER(SetTopLine, TopLine, bool)
KARVELL_BORDER_SETTER(SetRightLine, RightLine, bool)
KARVELL_BORDER_SETTER(SetBottomLine, BottomLine, bool)
KARVELL_BORDER_SETTER(SetLeftLineWidth, LeftLineWidth, ClampSize)
KARVELL_BORDER_SETTER(SetTopLineWidth, TopLineWidth, ClampSize)
KARVELL_BORDER_SETTER(SetRightLineWidth, RightLineWidth, ClampSize)
KARVELL_BORDER_SETTER(SetBottomLineWidth, BottomLineWidth, ClampSize)
#undef KARVELL_BORDER_SETTER

void TReportCell::SetCellText(const QByteArray& text) {
    if (text == CellText) return;
    CellText = text;
    CalcMinHeight();
    // The grid shows the new text at once (the cells of the runtime's lines have no grid).
    if (OwnerLine && OwnerLine->ReportControl) OwnerLine->ReportControl->CellChanged(this);
}

void TReportCell::SetLogFont(const LOGFONTA& font) {
    LogFont = font;
    CalcMinHeight();
}

int TReportCell::RequestedHeight() const {
    if (!OwnerLine) return 0;
    return MinCellHeight > DragCellHeight ? MinCellHeight : DragCellHeight;
}

int TReportCell::CellTop() const {
    return OwnerLine ? OwnerLine->LineTop : 0;
}

int TReportCell::OwnerLineHeight() const {
    return OwnerLine ? OwnerLine->LineHeight() : 0;
}

void TReportCell::CalcMinHeight() {
    // Too narrow for any text.
    if (2 * CellMargin >= CellWidth) {
        MinCellHeight = DefaultHeight();
        return;
    }

    // An owned cell: only the bottom cell of the block grows, by what the merge top's text
    // needs beyond the heights of all lines of the block.
    if (OwnerCell) {
        TReportCell* top = OwnerCell;
        MinCellHeight = DefaultHeight();
        int64_t total = 0;
        int greatestTop = 0;
        TReportCell* bottomCell = nullptr;
        for (TReportCell* s : top->OwnedCells) {
            s->MinCellHeight = s->DefaultHeight();
            if (s->OwnerLine) s->OwnerLine->UpdateLineHeight();
            total += s->OwnerLineHeight();
            if (s->CellTop() > greatestTop) {
                greatestTop = s->CellTop();
                bottomCell = s;
            }
        }
        const int topHeight = top->OwnerLineHeight();
        if (bottomCell == this && topHeight + total < top->RequiredCellHeight)
            MinCellHeight =
                ClampEdge(OwnerLineHeight() + (top->RequiredCellHeight - topHeight - total));
        else
            MinCellHeight = DefaultHeight();
        return;
    }

    // Digit columns hold one line of characters, whatever their number.
    const bool oneLine =
        !CellDispFormat.isEmpty() && SpreadsInColumns(ParseAmountFormat(CellDispFormat), CellText);
    const QByteArray& text = CellText.isEmpty() || oneLine ? HanCharacter() : CellText;
    TRect rect{CellLeft + CellMargin, CellTop() + 2, CellLeft + CellWidth - CellMargin, 65535};
    const TRect measured = TextLayout::CalcRect(LogFont, text, rect, HAlignFromInt(HorzAlign));
    int bottom = measured.bottom;
    if (text.size() >= 2 && text.endsWith(kCrLf)) bottom += TextLayout::CharHeight(LogFont);
    int h = bottom - measured.top;
    if (h <= 0) h = 16;

    const int needed = ClampEdge(int64_t(h) + 2 + TopLineWidth + BottomLineWidth);
    if (OwnedCells.isEmpty()) {
        MinCellHeight = needed;
        return;
    }
    RequiredCellHeight = needed;
    MinCellHeight = DefaultHeight();
    if (OwnerLine) OwnerLine->UpdateLineHeight();
    const QList<TReportCell*> owned = OwnedCells;
    for (TReportCell* c : owned)
        c->CalcMinHeight();
}

void TReportCell::CalcCellTextRect() {
    const int lineHeight = OwnerLineHeight();
    if (OwnedCells.isEmpty()) {
        CellRect = {CellLeft, CellTop(), CellLeft + CellWidth, CellTop() + lineHeight};
        TextRect.left = CellRect.left + CellMargin + 1;
        TextRect.top = CellRect.top + TopLineWidth + 1;
        TextRect.right = CellRect.right - CellMargin - 1;
        TextRect.bottom = TextRect.top + MinCellHeight - 2 - TopLineWidth - BottomLineWidth;
        int shift = 0;
        if (VertAlign == 1)
            shift = static_cast<int>((lineHeight - MinCellHeight) / 2.0 + 0.5);
        else if (VertAlign == 2)
            shift = lineHeight - MinCellHeight;
        TextRect.top += shift;
        TextRect.bottom += shift;
        return;
    }

    int64_t sum = lineHeight;
    for (const TReportCell* c : OwnedCells)
        sum += c->OwnerLineHeight();
    const int h = ClampEdge(sum);
    CellRect = {CellLeft, CellTop(), CellLeft + CellWidth, CellTop() + h};
    TextRect.left = CellRect.left + CellMargin + 1;
    TextRect.top = CellRect.top + TopLineWidth + 1;
    TextRect.right = CellRect.right - CellMargin;
    TextRect.bottom = TextRect.top + RequiredCellHeight - 2 - TopLineWidth - BottomLineWidth;
    int shift = 0;
    if (VertAlign == 1)
        shift = static_cast<int>((h - RequiredCellHeight) / 2.0 + 0.5);
    else if (VertAlign == 2)
        shift = h - RequiredCellHeight;
    TextRect.top += shift;
    TextRect.bottom += shift;
}

void TReportCell::CopyCell(TReportCell* source, bool insertBefore) {
    CellMargin = source->CellMargin;
    CellIndex = source->CellIndex;
    CellLeft = source->CellLeft;
    CellWidth = source->CellWidth;
    DragCellHeight = source->DragCellHeight;
    MinCellHeight = source->MinCellHeight;
    LeftLine = source->LeftLine;
    LeftLineWidth = source->LeftLineWidth;
    TopLine = source->TopLine;
    TopLineWidth = source->TopLineWidth;
    RightLine = source->RightLine;
    RightLineWidth = source->RightLineWidth;
    BottomLine = source->BottomLine;
    BottomLineWidth = source->BottomLineWidth;
    DiagonalFlags = source->DiagonalFlags;
    TextColor = source->TextColor;
    BackGroundColor = source->BackGroundColor;
    HorzAlign = source->HorzAlign;
    VertAlign = source->VertAlign;
    LogFont = source->LogFont;
    CellRect = TRect();
    TextRect = TRect();

    if (TReportCell* top = source->OwnerCell) {
        if (insertBefore) {
            const int at = top->OwnedCells.indexOf(source);
            top->OwnedCells.insert(at < 0 ? top->OwnedCells.size() : at, this);
            OwnerCell = top;
        } else {
            top->AddOwnedCell(this);
        }
    }
}

} // namespace karvell
