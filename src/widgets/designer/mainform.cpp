// The designer's main window: its controls, fitting the page, saving and the close question.
#include "mainform.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "adoquery.h"
#include "apptermination.h"
#include "commandguard.h"
#include "compositionguard.h"
#include "formatbar.h"
#include "pagefit.h"
#include "pagescrollbox.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "render/colorref.h"
#include "reportcontrol.h"
#include "runtime/components.h"
#include "runtime/reportruntime.h"
#include "templatename.h"
#include "windowlook.h"

namespace karvell {

TMainForm::TMainForm(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_arguments(arguments), m_fontDialogColor(clWindowText) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Danmere"));
    BuildWindow();
    Components::RegisterForm(this);
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildWindow() {
    ADOQueryMain = new TADOQuery(this);
    ADOQueryMain->setObjectName(QStringLiteral("ADOQueryMain"));
    ADOQueryDetail = new TADOQuery(this);
    ADOQueryDetail->setObjectName(QStringLiteral("ADOQueryDetail"));
    ReportRunTimeMain = new TReportRunTime(this);
    ReportRunTimeMain->setObjectName(QStringLiteral("ReportRunTimeMain"));

    ScrollBoxMain = new TPageScrollBox(this);
    ScrollBoxMain->setObjectName(QStringLiteral("ScrollBoxMain"));
    ReportControlMain = ScrollBoxMain->Grid();
    ReportControlMain->setObjectName(QStringLiteral("ReportControlMain"));
    ReportControlMain->installEventFilter(this);
    // Typing into a cell and dragging a border change the template like the commands do.
    connect(ReportControlMain, &TReportControl::Changed, this, [this] { FileSaved = false; });
    connect(ScrollBoxMain, &TPageScrollBox::Resized, this, &TMainForm::ScrollBoxMainResize);
    setCentralWidget(ScrollBoxMain);

    BuildMenus();

    Panel1 = new TFormatBar(this);
    fontbox = Panel1->fontbox;
    fontsize = Panel1->fontsize;
    addToolBarBreak();
    addToolBar(Panel1);
    connect(Panel1, &TFormatBar::FontChanged, this,
            [this] { RunCommand(&TMainForm::fontboxChange); });
    connect(Panel1, &TFormatBar::AlignClicked, this, [this] { RunCommand(&TMainForm::leftClick); });
    connect(ReportControlMain, &TReportControl::MouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
                RunGuarded([&] { ReportControlMainMouseDown(button, modifiers, pos); });
            });
    // Undo, redo, the keyboard and the clipboard in the grid; a key that moves the current
    // cell refreshes the formatting bar as a left press does.
    ReportControlMain->SetDesignKeys(true);
    connect(ReportControlMain, &TReportControl::CurrentCellMoved, this, [this] {
        RunGuarded([this] { ReportControlMainMouseDown(Qt::LeftButton, {}, QPoint()); });
    });
    connect(ReportControlMain, &TReportControl::HistoryChanged, this, &TMainForm::UpdateUndoItems);
    // What a cell cannot store is said, never dropped silently.
    connect(ReportControlMain, &TReportControl::TextRefused, this,
            [this](const QString& reason) { statusBar()->showMessage(reason, 10000); });
    InstallCompositionGuard();
    InstallWindowLook();
    UpdateUndoItems();
    resize(800, 600);
}

void TMainForm::RunCommand(void (TMainForm::*handler)()) {
    // Every command that changes the template is one undo step; saving, leaving and the undo
    // commands themselves are not changes.
    const bool records =
        handler != &TMainForm::file_saveClick && handler != &TMainForm::file_exitClick &&
        handler != &TMainForm::table_undoClick && handler != &TMainForm::table_redoClick;
    RunGuarded([this, handler, records] {
        if (records)
            ReportControlMain->History().Change([this, handler] { (this->*handler)(); });
        else
            (this->*handler)();
    });
}

void TMainForm::table_undoClick() {
    if (!ReportControlMain->Undo()) return;
    FileSaved = ReportControlMain->History().IsAtSavedState();
    ShowFocusCell(); // the formatting bar shows the restored cell
}

void TMainForm::table_redoClick() {
    if (!ReportControlMain->Redo()) return;
    FileSaved = ReportControlMain->History().IsAtSavedState();
    ShowFocusCell();
}

void TMainForm::UpdateUndoItems() {
    const TUndoHistory& history = ReportControlMain->History();
    if (table_undo) table_undo->setEnabled(history.CanUndo());
    if (table_redo) table_redo->setEnabled(history.CanRedo());
}

QString TMainForm::TemplateFileName() const {
    return TemplatePath(QString(), FormatName);
}

void TMainForm::FormCloseQuery(bool& canClose) {
    if (FileSaved) {
        AppTermination::Request();
        return;
    }
    switch (ShowMessage(QStringLiteral("提示"), QStringLiteral("是否保存文件？？？"),
                        MsgIcon::Question, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        if (!RunGuarded([this] { file_saveClick(); })) {
            canClose = false; // nothing was saved: the window stays
            return;
        }
        AppTermination::Request();
        break;
    case MsgResult::No:
        AppTermination::Request();
        break;
    default:
        canClose = false;
        break;
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // A click that restores zoom 100 resizes the grid: the page is centred again.
    if (watched == ReportControlMain && event->type() == QEvent::Resize) ScrollBoxMainResize();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize() {
    TReportControl* grid = ReportControlMain;
    const QSize outer = OuterSize(this);
    const QSize page(grid->CachedPageWidth, grid->CachedPageHeight);
    // The design allows 110 px for the bars; this window's menu and two bars take more, so the
    // area they leave is measured as well and the smaller zoom fits.
    const int zoom = std::min(FitZoomPercent(outer, page),
                              FitZoomToArea(ScrollBoxMain->maximumViewportSize(), page));
    ScrollBoxMain->ZoomGrid(zoom, width(), outer.height());
}

void TMainForm::ScrollBoxMainResize() {
    ScrollBoxMain->CenterGrid(width(), OuterSize(this).height());
}

} // namespace karvell
