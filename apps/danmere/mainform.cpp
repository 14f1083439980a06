// The designer's main window: its controls, fitting the page, saving and the close question.
#include "mainform.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenu>
#include <QToolBar>

#include "adoquery.h"
#include "apptermination.h"
#include "commandguard.h"
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
    connect(ScrollBoxMain, &TPageScrollBox::Resized, this, &TMainForm::ScrollBoxMainResize);
    ReportControlMain->installEventFilter(this);
    // Typing into a cell and dragging a border change the template like the commands do.
    connect(ReportControlMain, &TReportControl::Changed, this, [this] { FileSaved = false; });
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
    resize(800, 600);
}

void TMainForm::RunCommand(void (TMainForm::*handler)()) {
    RunGuarded([this, handler] { (this->*handler)(); });
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
    const int zoom = FitZoomPercent(outer, QSize(grid->CachedPageWidth, grid->CachedPageHeight));
    ScrollBoxMain->ZoomGrid(zoom, width(), outer.height());
}

void TMainForm::ScrollBoxMainResize() {
    ScrollBoxMain->CenterGrid(width(), OuterSize(this).height());
}

} // namespace karvell
