#pragma once
// The preview window: shows the pages a report runtime produced (template streams in memory)
// one at a time in its own report grid, zooms, pages through them, prints each page as its own
// job and lets the user touch up the shown page. It runs modally; closing it ends the program.
#include <QDialog>
#include <QList>
#include <QPointer>

class QBuffer;
class QIcon;
class QLabel;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace karvell {

class TPageScrollBox;
class TReportControl;
class TReportRunTime;

class TPreviewForm : public QDialog {
    Q_OBJECT
public:
    // The owner is the report runtime (or the window) that shows the preview. A widget owner
    // is also the window's parent; a runtime owner is not a widget, so the window is top level
    // and its creator destroys it.
    explicit TPreviewForm(QObject* owner);
    ~TPreviewForm() override;

    QObject* Owner() const { return m_owner; }
    // The owner as a runtime, or nullptr.
    TReportRunTime* OwnerRunTime() const;
    // The component tag: the template index of the detail line of the report shown.
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    // Controls, named as in the window's design.
    QToolBar* ToolBar1 = nullptr;
    QToolButton* PrintSetupBtn = nullptr;
    QToolButton* PrintBtn = nullptr;
    QToolButton* PrintSizeBtn = nullptr;
    QToolButton* OriginalSizeBtn = nullptr;
    QToolButton* ZoomInBtn = nullptr;
    QToolButton* ZoomOutBtn = nullptr;
    QToolButton* FirstBtn = nullptr;
    QToolButton* PriorBtn = nullptr;
    QToolButton* NextBtn = nullptr;
    QToolButton* LastBtn = nullptr;
    QToolButton* insertrow = nullptr;
    QToolButton* addrow = nullptr;
    QToolButton* deleterow = nullptr;
    QToolButton* ExitBtn = nullptr;
    QToolButton* ExportBtn = nullptr;
    TPageScrollBox* ScrollBox1 = nullptr;
    TReportControl* ReportControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;  // the status bar's one panel
    QLabel* PrintedPanel = nullptr; // where the last print or export went; made by the first

    // Fields.
    int PreviewZoom = 75;
    bool ShowsStreams = false;
    QList<QBuffer*> Pages; // not owned
    bool AllowEdit = false;
    bool EditEptFlag = false;
    int CurrentPage = 1;
    int PageCount = 1;
    bool PrintDirect = false;
    // Closing the window ends the program (the runtime's previews). The template editor's
    // preview clears it: closing that one returns to the editor and its unsaved template.
    bool EndsProgramOnClose = true;

    // Shows the pages modally, or prints them all at once when PrintDirect is set; nothing
    // happens without pages. Errors of direct printing reach the caller.
    void RunPreview(const QList<QBuffer*>& pageStreams);
    void SetPages(const QList<QBuffer*>& pageStreams);
    void ShowPage();
    // Page n (from 1) while the pages come from streams, else nullptr.
    QBuffer* PageStream(int n) const;
    void SetPreviewMode(bool value);
    void SetAllowEdit(bool value);
    void SetEditEptFlag(bool value) { EditEptFlag = value; }
    void FitZoom();
    void CenterPage();

    // The buttons' actions. They may throw KarvellError; the buttons themselves show such
    // errors in the standard error box.
    void PrintSetupBtnClick();
    void PrintBtnClick();
    // Says in the status bar where the pages went (the PDF files, or the printer's name).
    void ShowPrinted(const QStringList& jobs);
    void PrintSizeBtnClick();
    void OriginalSizeBtnClick();
    void ZoomInBtnClick();
    void ZoomOutBtnClick();
    void FirstBtnClick();
    void PriorBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    void insertrowClick();
    void addrowClick();
    void deleterowClick();
    void ExitBtnClick();
    // Asks for a file and a format (PDF, PDF/A, XLSX: the output path's export formats) and
    // writes every page into it; a single page is written as shown, with its edits.
    void ExportBtnClick();
    // After a border drag applied on the grid: the page's column widths into the width table
    // and into the shown page's stream, when the preview shows pages of a runtime's Preview.
    void WriteColumnWidthsBack();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    QToolButton* AddButton(const char* name, const QString& caption, const QString& hint,
                           const QIcon& icon, void (TPreviewForm::*action)());
    // Where the last print or export went, in the status bar beside the page panel.
    void ShowNote(const QString& text);
    // Hides the grid, zooms it to PreviewZoom, centres it and shows it again.
    void ApplyPreviewZoom();

    QPointer<QObject> m_owner;
    int m_tag = 0;
};

} // namespace karvell
