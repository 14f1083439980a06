#pragma once
// The document of the report grid: page, margins, lines of cells, selection, relayout, the
// structural and formatting operations and the template stream. The grid window
// (TReportControl, widgets layer) derives from it and supplies the view hooks; the document
// itself never touches a widget, so it can be driven and tested headless.
#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <vector>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/logfont.h"
#include "platform/rect.h"

namespace karvell {

struct TemplateHeader;
struct TemplateData;

// The warning when a new table is asked for while one is open.
inline QString CloseBeforeNewTableText() {
    return QStringLiteral("关闭正在编辑的报表后，才能建立新表格。");
}

class TReportDocument {
public:
    TReportDocument();
    virtual ~TReportDocument();
    TReportDocument(const TReportDocument&) = delete;
    TReportDocument& operator=(const TReportDocument&) = delete;

    // Document fields, in declaration order.
    bool KarvellEdit = false;
    bool PreviewMode = false;
    QList<TReportLine*> Lines;
    QList<TReportCell*> SelectedCells;
    TReportCell* EditingCell = nullptr;
    int32_t Zoom = 100;
    int32_t PageWidth = 0;
    int32_t PageHeight = 0;
    int32_t LeftMarginPx = 0;
    int32_t RightMarginPx = 0;
    int32_t TopMarginPx = 0;
    int32_t BottomMarginPx = 0;
    LOGFONTA SelectedFont{};
    int32_t LeftMargin = 20;
    int32_t RightMargin = 10;
    int32_t TopMargin = 20;
    int32_t BottomMargin = 15;
    int32_t FooterLineIndex = 0;
    uint8_t Reserved1 = 1;
    int32_t Reserved2 = 2000;
    int32_t Reserved3 = 1;
    QPoint LastMousePos;
    int32_t PaperSize = 0;
    int32_t PaperOrientation = 0;
    int32_t PaperLength = 0;
    int32_t PaperWidth = 0;
    int32_t CachedPageWidth = 0;
    int32_t CachedPageHeight = 0;
    std::vector<std::array<int32_t, 40>> ColumnWidths; // 40 × 40 once in use
    int32_t WidthLineCount = 0;
    bool ShowingPages = false;
    TReportCell* FocusCell = nullptr;
    TReportCell* LastSelectedCell = nullptr;

    // Layout and page.
    void UpdatePageSize();
    void UpdateLines();
    void SetMargin(int left, int top, int right, int bottom);
    TRect GetMargin() const;
    void SetZoom(int percent);
    void ResetContent();
    TReportCell* CellFromPoint(QPoint p) const;
    void SetKarvellEdit(bool v) { KarvellEdit = v; }
    // The grid window's size in window pixels (page × zoom).
    QSize WindowSize() const { return m_windowSize; }

    // Selection.
    bool AddSelectedCell(TReportCell* cell);
    bool IsCellSelected(const TReportCell* cell) const;
    bool RemoveSelectedCell(TReportCell* cell);
    void ClearSelection();
    void CancelEdit();

    // The in-place editor (the view shows the box; the document keeps the cell in step with it).
    // OpenCellEditor shows the box over the cell's TextRect with the cell's text; the live update
    // EditBoxTextChanged copies the box text into the cell after every change, lays the document
    // out and moves the box when the text rectangle moved; CommitCellEditor reads the box a last
    // time and closes it.
    void OpenCellEditor(TReportCell* cell);
    void CommitCellEditor();
    void EditBoxTextChanged();
    bool EditBoxVisible() const { return ViewEditBoxVisible(); }
    // Tells the view that the user changed the document with the mouse or the edit box.
    void NotifyChanged() { ViewChanged(); }

    // Structural editing.
    // Answers false, changing nothing, while a table is open: the caller then says
    // CloseBeforeNewTableText() as a warning.
    bool NewTable(int columns, int rows);
    void AddLine();
    void InsertLine();
    void DeleteLine();
    void AddCell();
    void InsertCell();
    void DeleteCell();
    void CombineCell();
    void SplitCell();
    void VSplitCell(int count);
    bool CanAddLine() const { return SelectedCells.size() <= 1; }
    bool HasSelection() const { return !SelectedCells.isEmpty(); }
    bool CanSplitCell() const;

    // Formatting of the selection.
    void SetSelTextColor(COLORREF color);
    void SetSelColors(COLORREF textColor, COLORREF backColor);
    void SetSelAlign(int horz, int vert);
    void SetSelDiagonal(uint32_t flags);
    void SetSelFont(const LOGFONTA& font);
    void SetSelBorders(bool left, bool top, bool right, bool bottom, int leftWidth, int topWidth,
                       int rightWidth, int bottomWidth);
    void SetSelDispFormat(const QByteArray& format);
    void SetSelText(const QByteArray& text);
    // Throws KarvellError when the file cannot be loaded; the cell then keeps its picture.
    void LoadCellPicture(TReportCell* cell, const QString& fileName);
    void ClearCellPicture(TReportCell* cell);

    // Template stream. LoadFromStream answers true, or throws KarvellError ("格式不正确" for an
    // unknown magic, what is damaged for a damaged stream) and leaves the document unchanged.
    // LoadFromFile names the file in both messages and refuses devices and folders; it never
    // blocks on a FIFO. The caller (a window's guard, a program's main) shows the message.
    void SaveToStream(QIODevice& stream, qint64 position);
    bool LoadFromStream(QIODevice& stream, qint64 position);
    // Atomic: a temporary file renamed over the old one; throws KarvellError on failure.
    void SaveToFile(const QString& fileName);
    bool LoadFromFile(const QString& fileName);
    void ApplyColumnWidths(QIODevice& stream);
    // The document's bytes as a template stream, touching nothing: no printer, no zoom change
    // (the stream says 100 %). RestoreSnapshot reads them back and keeps the grid's zoom and
    // the printer as they are; it throws KarvellError on bytes it cannot read.
    QByteArray Snapshot() const;
    void RestoreSnapshot(const QByteArray& bytes);
    // False when the page does not fit the 40 × 40 table (nothing is stored then).
    bool StoreColumnWidths(int detailLineIndex);

    // A cell's text or look changed: its rectangle (and its merge top's) is repainted, whatever
    // made the change (a command, a key, the clipboard, an undo step).
    void CellChanged(const TReportCell* cell);

    // A cell is going away: clear every reference the document keeps to it.
    void ForgetCell(const TReportCell* cell);
    // Grows whenever cells are destroyed, so that a holder of cell references (a tracked press)
    // can tell that they may be gone.
    uint64_t RemovalCount() const { return m_removals; }

protected:
    // View hooks, all in document pixels. The headless document does nothing for them.
    virtual void ViewInvalidate(const TRect& /*rect*/) {}
    virtual void ViewInvert(const TRect& /*rect*/) {}
    virtual void ViewRepaintAll() {}
    virtual void ViewResize(int /*width*/, int /*height*/) {}
    virtual bool ViewEditBoxVisible() const { return false; }
    virtual void ViewDestroyEditBox() {}
    // Shows the edit box over the cell's TextRect holding `text`, without a change of the box.
    virtual void ViewOpenEditBox(const TReportCell& /*cell*/, const QString& /*text*/) {}
    virtual QString ViewEditBoxText() const { return QString(); }
    virtual void ViewMoveEditBox(const TRect& /*textRect*/) {}
    // The document was changed by mouse editing (typing, an applied border drag).
    virtual void ViewChanged() {}
    // Bottom of the window's client area in document pixels (for the line-moved repaint rule).
    virtual int ViewClientBottom() const { return m_windowSize.height(); }

    QSize m_windowSize;
    uint64_t m_removals = 0;

private:
    friend class TGridMouse; // the mouse operations repaint through the view hooks
    TemplateHeader SnapshotHeader() const;
    // Replaces lines, page and paper fields with a stream's, closing the edit box and the
    // selection, and lays the document out.
    void AdoptTemplate(TemplateData& data);
    void InvalidateLine(const TRect& r);
    // The end of every structural operation: relayout, then the whole page repainted.
    void Restructured();
    void DestroyLine(TReportLine* line);
};

} // namespace karvell
