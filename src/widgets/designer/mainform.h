#pragma once
// The voucher designer's main window: one voucher template in a report grid, chosen through
// the database table "Quorbex". With a voucher group other than "*" its start-up fills the
// template with the voucher's rows and previews it, or prints it and ends the program.
// Its menus, tool bar and popup menu are built from the tables in mainform_menus.cpp; the
// commands are in mainform_commands.cpp, the field catalogue in mainform_fields.cpp.
#include <QMainWindow>
#include <QStringList>

#include "model/reportcell.h"

class QAction;
class QComboBox;
class QMenu;
class QToolBar;

namespace karvell {

class TADOQuery;
class TFormatBar;
class TPageScrollBox;
class TReportControl;
class TReportRunTime;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` are the program's command-line arguments after its name; the first one "1"
    // asks for printing without a preview. Creating the window runs FormCreate.
    explicit TMainForm(const QStringList& arguments, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controls and components, named as in the window's design. Menu items, tool buttons and
    // popup items are found by their names (findChild).
    TPageScrollBox* ScrollBoxMain = nullptr;
    TReportControl* ReportControlMain = nullptr;
    TADOQuery* ADOQueryMain = nullptr;
    TADOQuery* ADOQueryDetail = nullptr;
    TReportRunTime* ReportRunTimeMain = nullptr;
    QToolBar* ToolBar1 = nullptr;
    TFormatBar* Panel1 = nullptr;  // the formatting bar
    QComboBox* fontbox = nullptr;  // Panel1's
    QComboBox* fontsize = nullptr; // Panel1's
    QMenu* PopupMenu1 = nullptr;
    QAction* file_save = nullptr;
    QAction* file_exit = nullptr;
    QAction* table_undo = nullptr; // 「撤销」 Ctrl+Z
    QAction* table_redo = nullptr; // 「重做」 Ctrl+Y, Ctrl+Shift+Z

    // Values fixed at start-up.
    QString StartDir;
    QString GroupCode;
    QString FormatName;
    int AddSpaceSetting = 1;
    int EnableEditSetting = 0;
    // True while the template has no unsaved changes.
    bool FileSaved = false;

    // The start-up sequence. Any error is shown in the standard error box and ends the
    // sequence there; the window opens with whatever was loaded.
    void FormCreate();
    // The close question; canClose false keeps the window open.
    void FormCloseQuery(bool& canClose);
    // Fits the page into the window, and centres it in the scroll box.
    void FormResize();
    void ScrollBoxMainResize();

    // The commands. Each runs through RunCommand when a control invokes it.
    void file_saveClick(); // to StartDir + "/edj/" + FormatName + ".edj"
    void file_print_setupClick();
    void file_exitClick();
    void table_insertClick();
    void table_addClick();
    void table_deleteClick();
    void table_splitClick();
    void table_combineClick();
    void table_fontClick();
    void table_borderClick();
    void table_colorClick();
    void table_image_addClick();
    void table_image_deleteClick();
    void table_undoClick();
    void table_redoClick();
    void fontboxChange();
    void leftClick();
    // The grid's mouse-down notification: the formatting bar follows a left press, a right
    // press opens PopupMenu1 at the cursor.
    void ReportControlMainMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                    QPoint pos);
    // The formatting bar and panel show the focus cell, their own change signals held off.
    void ShowFocusCell();
    // A field catalogue entry: its hint and the caption between 「 and 」 into the current cell.
    void InsertFieldText(const QAction* item);
    // The undo and redo items follow the grid's history.
    void UpdateUndoItems();

    // Runs a command through the guard: an escaping exception is shown in the error box.
    void RunCommand(void (TMainForm::*handler)());

    // The template file name relative to the current directory: "edj/" + FormatName + ".edj".
    QString TemplateFileName() const;
    // The colour last chosen in the font dialog (at first the window-text colour).
    COLORREF FontDialogColor() const { return m_fontDialogColor; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus(); // main menu, tool bar and popup menu from their tables
    void BuildFieldCatalogue(QMenu* popup);
    void StartUp(); // the steps of FormCreate; errors leave it
    // A current cell for the font, colour and border commands, else "请选择单元格!!!".
    bool RequireFocusCell();
    // A current cell for the picture commands, else "请先选择单元格".
    bool RequireCellForPicture();
    void EndDirectPrint(const QString& incompleteReason); // after printing at start-up
    void ReadFormOffset(const QString& iniFile);          // OffsetX, OffsetY (mm) when present

    QStringList m_arguments;
    COLORREF m_fontDialogColor;
};

} // namespace karvell
