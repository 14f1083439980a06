#pragma once
// The report grid control: a child window exactly one page large (times the zoom) that shows
// the document, paints it and prints it. The document logic lives in TReportDocument (core);
// this class supplies the window: repaint requests, the inverted selection, the window size.
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "model/gridmouse.h"
#include "model/reportdocument.h"
#include "model/undohistory.h"
#include "output/pdfsink.h"

class QPainter;

namespace karvell {

class TCellEditBox;

class TReportControl : public QWidget, public TReportDocument {
    Q_OBJECT
public:
    explicit TReportControl(QWidget* parent = nullptr);
    ~TReportControl() override;

    // Prints the document as one page on the current printer, in a job titled "Danmere", or
    // into `pdfFile` when one is given. Answers the PDF file written (empty for a printer queue).
    // A PDF file is written as `standard` says. Throws KarvellError when the job cannot be
    // started or written; no file is left then.
    QString PrintDocument(const QString& pdfFile = QString(),
                          TPdfStandard standard = TPdfStandard::Plain);
    // Paints the window's content for the given invalid rectangle (window pixels) onto any
    // paint device: the paint handler and offscreen rendering share it.
    // Paints as the mode says: in preview mode without the selection (offscreen rendering).
    void PaintTo(QPainter& painter, const QRect& invalidWindowRect);
    // `showSelection`: the window shows its selection also in preview mode, so that a page
    // touched up in the preview has a visible current cell; printing never shows it.
    void PaintTo(QPainter& painter, const QRect& invalidWindowRect, bool showSelection);

    // A rectangle of document pixels as window pixels at the zoom shown (selection, cells).
    QRect ShownRect(const TRect& documentRect) const;

    // A window point as document pixels at the zoom shown.
    QPoint DocumentPoint(QPoint windowPos) const;

    // The mouse operations the window drives (the same the batch tool and the tests drive).
    TGridMouse& Mouse() { return m_mouse; }
    // The open in-place edit box, or nullptr.
    QPlainTextEdit* EditBox() const;

    // The designer's and the editor's grid: undo and redo of every change, the keyboard, copy
    // and paste. The preview's grid has none of them: its touch-ups stay as they are.
    void SetDesignKeys(bool on);
    bool DesignKeys() const { return m_designKeys; }
    // Window commands record their change through it (TUndoHistory::Change).
    TUndoHistory& History() { return m_history; }
    // An open edit box is committed first (its typing is one step). False when there is no
    // step to go to.
    bool Undo();
    bool Redo();
    // The selected cells to the clipboard (cut clears their texts); paste from the current cell.
    void CopySelection();
    void CutSelection();
    void PasteClipboard();

Q_SIGNALS:
    // The owner's "mouse down" notification, after the selection or drag is complete: for a
    // left press when the button goes up (not for a press that only restored zoom 100), for a
    // right press at once, before the context-menu rule (a popup menu run there with exec()
    // acts on the selection it opened on).
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    // The user changed the document in the grid: typing in the edit box, an applied border
    // drag. Not sent for refused drags or a click that only selects.
    void Changed();
    // A line or column border drag was applied (not a refused one).
    void BorderDragApplied();
    // A key moved the current cell: owners refresh what they show of it, as after a left press.
    void CurrentCellMoved();
    // The undo history changed (a step recorded, undone, redone, or the history cleared).
    void HistoryChanged();
    // The edit box did not take something typed, composed or pasted: why, for the status bar.
    void TextRefused(const QString& reason);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void ViewInvalidate(const TRect& rect) override;
    void ViewInvert(const TRect& rect) override;
    void ViewRepaintAll() override;
    void ViewResize(int width, int height) override;
    bool ViewEditBoxVisible() const override;
    void ViewDestroyEditBox() override;
    int ViewClientBottom() const override;
    void ViewOpenEditBox(const TReportCell& cell, const QString& text) override;
    QString ViewEditBoxText() const override;
    void ViewMoveEditBox(const TRect& textRect) override;
    void ViewChanged() override;

private:
    // Ends a tracked left press: applies a drag, repaints its line, tells the owner.
    void FinishTracking();
    // The window strip the drag line covers at its current position.
    QRect DragLineRect() const;
    void UpdateCursor(QPoint pos);

    bool HistoryStep(bool redo);
    // Keys of the grid itself (no edit box open); true when the key was used.
    bool GridKey(QKeyEvent* event);
    // Escape in the edit box: the text it had when it opened comes back and the box closes.
    void RevertEditBox();
    // A change made by a key or the clipboard: recorded, and the owner told when it changed.
    template <typename F> void KeyChange(F&& change);

    TGridMouse m_mouse{*this};
    QPointer<TCellEditBox> m_editBox;
    QPoint m_pressPos;
    std::optional<QPoint> m_zoomPressDoc; // the last press only restored 100 %: where it was
    Qt::KeyboardModifiers m_pressModifiers;
    TUndoHistory m_history{*this};
    bool m_designKeys = false;
    bool m_typing = false;        // the edit box's typing is being recorded as one step
    bool m_pressRecorded = false; // a left press is being recorded (border drags)
    QByteArray m_editOriginal;    // the edited cell's text when the box opened
};

} // namespace karvell
