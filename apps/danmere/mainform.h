#pragma once
// The voucher designer's main window: one voucher template in a report grid, chosen through
// the database table "Quorbex". With a voucher group other than "*" its start-up fills the
// template with the voucher's rows and previews it, or prints it and ends the program.
#include <QMainWindow>
#include <QStringList>

class QAction;
class QComboBox;
class QScrollArea;
class QToolBar;

namespace karvell {

class TADOQuery;
class TReportControl;
class TReportRunTime;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` are the program's command-line arguments after its name; the first one "1"
    // asks for printing without a preview. Creating the window runs FormCreate.
    explicit TMainForm(const QStringList& arguments, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controls and components, named as in the window's design.
    QScrollArea* ScrollBoxMain = nullptr;
    TReportControl* ReportControlMain = nullptr;
    TADOQuery* ADOQueryMain = nullptr;
    TADOQuery* ADOQueryDetail = nullptr;
    TReportRunTime* ReportRunTimeMain = nullptr;
    QToolBar* Panel1 = nullptr; // the formatting bar
    QComboBox* fontbox = nullptr;
    QComboBox* fontsize = nullptr;
    QAction* file_save = nullptr;
    QAction* file_exit = nullptr;

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
    // Saves the template to StartDir + "/edj/" + FormatName + ".edj".
    void file_saveClick();
    void file_exitClick();

    // The template file name relative to the current directory: "edj/" + FormatName + ".edj".
    QString TemplateFileName() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void StartUp(); // the steps of FormCreate; errors leave it
    void FillFontBoxes();
    void EndDirectPrint(const QString& incompleteReason); // after printing at start-up
    void ReadFormOffset(const QString& iniFile);          // OffsetX, OffsetY (mm) when present
    void UpdateCanvasSize();

    QStringList m_arguments;
    QWidget* m_canvas = nullptr;
};

} // namespace karvell
