#pragma once
// One cell of the report grid: geometry, borders, diagonals, colours, alignment, font, text,
// display format and picture; it measures its text and computes its text rectangle.
// Cells may be merged vertically: a merge top owns the cells below it that it covers.
#include <QByteArray>
#include <QList>
#include <memory>

#include "model/picture.h"
#include "platform/logfont.h"
#include "platform/rect.h"

namespace karvell {

class TReportLine;

using COLORREF = uint32_t; // 0x00BBGGRR
inline constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}

// Diagonal lines (DiagonalFlags bits).
inline constexpr uint32_t DIAG_LT_RB = 0x001; // top-left to bottom-right
inline constexpr uint32_t DIAG_LT_RM = 0x002; // top-left to middle of right edge
inline constexpr uint32_t DIAG_LT_BM = 0x004; // top-left to middle of bottom edge
inline constexpr uint32_t DIAG_RT_LB = 0x100; // top-right to bottom-left
inline constexpr uint32_t DIAG_RT_LM = 0x200; // top-right to middle of left edge
inline constexpr uint32_t DIAG_RT_BM = 0x400; // top-right to middle of bottom edge

// Height of one text line when nothing was measured (16) plus 2.
inline constexpr int EMPTY_HEIGHT = 18;
// Longest text or display format, in GBK bytes.
inline constexpr int MAX_TEXT_BYTES = 3000;

class TReportCell {
public:
    TReportCell();
    ~TReportCell();
    TReportCell(const TReportCell&) = delete;
    TReportCell& operator=(const TReportCell&) = delete;

    // Fields in declaration order (names as the template file and the JSON dump use them).
    int32_t CellMargin = 5;
    TReportLine* OwnerLine = nullptr;
    TReportCell* OwnerCell = nullptr;
    QList<TReportCell*> OwnedCells;
    int32_t CellIndex = -1;
    int32_t CellLeft = 0;
    int32_t CellWidth = 0;
    TRect CellRect;
    TRect TextRect;
    int32_t DragCellHeight = 0;
    int32_t MinCellHeight = 0;
    int32_t RequiredCellHeight = 0;
    bool LeftLine = true;
    int32_t LeftLineWidth = 1;
    bool TopLine = true;
    int32_t TopLineWidth = 1;
    bool RightLine = true;
    int32_t RightLineWidth = 1;
    bool BottomLine = true;
    int32_t BottomLineWidth = 1;
    uint32_t DiagonalFlags = 0;
    COLORREF TextColor = RGB(0, 0, 0);
    COLORREF BackGroundColor = RGB(255, 255, 255);
    int32_t HorzAlign = 0;
    int32_t VertAlign = 1;
    QByteArray CellText;       // GBK
    QByteArray CellDispFormat; // GBK
    std::unique_ptr<TBitmap> CellBitmap;
    bool HasBitmap = false;
    LOGFONTA LogFont;
    // Set by the runtime on a produced cell whose text came from data (a field, a variable):
    // it is printed as it stands, never read as a function. Not stored in template streams.
    bool TextIsLiteral = false;

    void SetOwnerLine(TReportLine* line);
    void SetOwnerCell(TReportCell* cell) { OwnerCell = cell; }
    int OwnedCellCount() const { return OwnedCells.size(); }
    void AddOwnedCell(TReportCell* cell);
    void RemoveAllOwnedCells();
    void RemoveOwnedCell(TReportCell* cell);

    void SetCellLeft(int left);
    void SetCellWidth(int width);
    void SetLeftLine(bool v);
    void SetTopLine(bool v);
    void SetRightLine(bool v);
    void SetBottomLine(bool v);
    void SetLeftLineWidth(int w);
    void SetTopLineWidth(int w);
    void SetRightLineWidth(int w);
    void SetBottomLineWidth(int w);
    void SetCellText(const QByteArray& text);
    void SetLogFont(const LOGFONTA& font);
    void SetTextColor(COLORREF c) { TextColor = c; }
    void SetBackGroundColor(COLORREF c) { BackGroundColor = c; }
    void SetCellDispFormat(const QByteArray& f) { // digit columns measure one line
        if (f == CellDispFormat) return;
        CellDispFormat = f;
        CalcMinHeight();
    }

    int RequestedHeight() const;
    int CellTop() const;
    int OwnerLineHeight() const;
    // 18 + TopLineWidth + BottomLineWidth.
    int DefaultHeight() const { return EMPTY_HEIGHT + TopLineWidth + BottomLineWidth; }

    void CalcMinHeight();
    void CalcCellTextRect();
    void CopyCell(TReportCell* source, bool insertBefore);
};

} // namespace karvell
