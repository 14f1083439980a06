#pragma once
// The general template editor: one template file of any name in a report grid, with a list of
// recently used files, a formatting bar with number formats and report functions, pictures,
// page setup, printing, a preview, and floating lists of data-set fields whose fields are
// dragged into cells. The report runtime's Design opens it (WidgetRuntimeUi::OpenDesigner).
//
// The window is split by responsibility: karvellform.cpp (window, creation, view),
// karvellform_menus.cpp (menus and bars from tables), karvellform_files.cpp (opening, saving,
// closing, recent files), karvellform_tools.cpp (table commands, dialogs, formatting bar),
// karvellform_print.cpp (page setup, printing, preview), karvellform_fields.cpp (data-set box,
// field windows, field drops).
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>

#include "editorstate/lunvanesettings.h"
#include "model/reportcell.h"

class QComboBox;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace karvell {

class TFormatBar;
class TPageScrollBox;
class TReportControl;

class TKarvellForm : public QMainWindow {
    Q_OBJECT
public:
    // `owner` is the report runtime that opens the editor (or nothing); `arguments` are the
    // command-line arguments FormCreate's command-line step sees (the first one is opened as a
    // template). Creating the window runs FormCreate.
    explicit TKarvellForm(QObject* owner = nullptr,
                          const QStringList& arguments = TemplateArguments());
    ~TKarvellForm() override;

    // The arguments an editor opened by Design sees: the process's arguments after its name,
    // unless a program that hands its template through ReportFile has set them (to none).
    static QStringList TemplateArguments();
    static void SetTemplateArguments(const QStringList& arguments);

    QObject* Owner() const { return m_owner; }

    // State of the window.
    QString CurrentFile;
    bool FileMode = false;
    bool ReportSaved = true;
    int ViewZoom = 100;
    int FieldWindowColumn = 0;
    int FieldWindowRow = 0;
    // "Lunvane.ini" and the values of its section "其他" as read at creation.
    QString SettingsFile;
    Lunvane::OtherSettings Settings;

    // Controls, named as in the window's design. Menu items and tool buttons are found by
    // their names (findChild).
    QToolBar* Panel3 = nullptr;   // the tool bar
    TFormatBar* Panel4 = nullptr; // the formatting bar
    TPageScrollBox* ScrollBox1 = nullptr;
    TReportControl* ReportControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr;
    QComboBox* fontbox = nullptr;  // Panel4's
    QComboBox* fontsize = nullptr; // Panel4's
    QToolButton* bold = nullptr;
    QToolButton* italic = nullptr;
    QToolButton* underline = nullptr;
    QToolButton* left1 = nullptr;
    QToolButton* center1 = nullptr;
    QToolButton* right1 = nullptr;
    QToolButton* top1 = nullptr;
    QToolButton* medium1 = nullptr;
    QToolButton* bottom1 = nullptr;
    QComboBox* CellDispFormt = nullptr;
    QComboBox* Lsum = nullptr;
    QComboBox* ComboBox1 = nullptr; // the data-set box
    QMenu* T1 = nullptr;            // "文件(&F)"
    QMenu* file1 = nullptr;         // recent files
    QMenu* T2 = nullptr;            // "表格(&T)"
    QAction* EditUndo = nullptr;    // "撤销(&U)" Ctrl+Z, at the end of 表格(&T)
    QAction* EditRedo = nullptr;    // "重做(&R)" Ctrl+Y, Ctrl+Shift+Z
    QMenu* N30 = nullptr;           // "帮助&H)"
    QMenu* PopupMenu1 = nullptr;
    // The floating field windows, in the order they were made (closed ones drop out).
    QList<QPointer<QWidget>> FieldWindows;

    // Creation, in the design's order; an error ends it (shown), the window still opens.
    void FormCreate();
    // Shows the window maximized and modally; returns when it has closed.
    void ShowModal();

    // Files (karvellform_files.cpp). Errors of reading and writing throw KarvellError.
    // OpenReport answers false when the file is not a template (the loader said so).
    // Opening another template clears the undo history; Save As re-reading the file it wrote
    // keeps it (`keepHistory`).
    bool OpenReport(const QString& path, bool keepHistory = false);
    void FileOpenClick();
    void N29Click();      // Save
    void FileSaveClick(); // Save As
    void FileCloseClick();
    void EditUndoClick();
    void EditRedoClick();
    // The undo and redo items follow the grid's history.
    void UpdateUndoItems();
    void FileExitClick();
    void SpeedButton7Click();
    // The close question; false keeps the window (or the current template) as it is.
    bool FormCloseQuery();
    void T1Click();
    void OpenRecent(int n);
    void UpdateOldies(const QString& path);
    void loadini();
    void SaveIni();
    void N33Click(); // about box

    // View (karvellform.cpp).
    void ApplyView();
    void FormResize();
    void SpeedButton8Click();  // fit
    void SpeedButton12Click(); // zoom in
    void SpeedButton15Click(); // zoom out
    void CenterGrid();
    void ScrollBox1Resize();
    void ReportControl1MouseUp();

    // Tools (karvellform_tools.cpp).
    void NewTableClick();
    void InsertLineClick();
    void AddLineClick();
    void DeleteLineClick();
    void InsertCellClick();
    void AddCellClick();
    void DeleteCellClick();
    void CombineCellsClick();
    void SplitCellClick();
    void VSplitCellClick();
    void CellBorderLineClick();
    void CellDiagonalLineClick();
    void CellFontClick();
    void CellColorClick();
    void ApplyBarFont();
    void fontboxChange();
    void fontsizeChange();
    void left1Click();
    // A picked item of the number-format box (index into its list); -1 applies the typed text.
    void CellDispFormtChange(int index);
    void LsumChange(int index);
    void SpeedButton10Click(); // picture
    void SpeedButton16Click(); // clear picture
    void SyncBar();
    void ReportControl1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                 QPoint pos);

    // Page setup, printing, preview (karvellform_print.cpp).
    void MarginSettingClick();
    void PrintItClick();
    void SpeedButton4Click();

    // Data sets and fields (karvellform_fields.cpp).
    void FillDataSetBox();
    void ComboBox1Change(int index);
    // Drops a field name at a point of the grid window (window pixels).
    void ReportControl1DragDrop(const QString& fieldName, QPoint windowPos);

    // Runs a handler through the guard: an escaping exception is shown in the error box.
    // Every handler but saving and undo itself is one undo step of the grid.
    void RunCommand(void (TKarvellForm::*handler)());
    // The guard plus one undo step around a change the window makes outside a handler (number
    // formats, functions, field drops).
    void RunRecorded(const std::function<void()>& change);

    // The items of the number-format box and the function box.
    static QStringList NumberFormats();
    static QStringList ReportFunctions();

Q_SIGNALS:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void BuildToolBar();
    void BuildFormatBar();
    // The close question before another template replaces this one; true to go on.
    bool MayDiscard();
    // Save for the close question: Save, or Save As when there is no file name; true when the
    // template was written.
    bool SaveForQuestion();
    bool SaveAs();
    bool RequireFocusCell();
    bool RequireCellForPicture();
    // A plain left click at a point of the document (the grid's rules), then the press's
    // SyncBar and the release.
    void ClickCell(QPoint docPos);

    QPointer<QObject> m_owner;
    QStringList m_arguments;
    LOGFONTA m_fontDialogFont;
    COLORREF m_fontDialogColor;
};

} // namespace karvell
