// The designer's main window: its controls, fitting the page, saving and the close question.
#include "mainform.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScrollArea>
#include <QToolBar>

#include "adoquery.h"
#include "apptermination.h"
#include "pagefit.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "reportcontrol.h"
#include "runtime/components.h"
#include "runtime/reportruntime.h"
#include "templatename.h"

namespace karvell {

TMainForm::TMainForm(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_arguments(arguments) {
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

    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("〖文件〗"));
    file_save = fileMenu->addAction(QStringLiteral("「保存」"));
    file_save->setObjectName(QStringLiteral("file_save"));
    file_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    fileMenu->addSeparator();
    file_exit = fileMenu->addAction(QStringLiteral("「退出」"));
    file_exit->setObjectName(QStringLiteral("file_exit"));
    file_exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(file_save, &QAction::triggered, this, [this] {
        try {
            file_saveClick();
        } catch (const KarvellError& e) {
            ShowError(e.message());
        }
    });
    connect(file_exit, &QAction::triggered, this, &TMainForm::file_exitClick);

    Panel1 = addToolBar(QStringLiteral("Panel1"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    fontbox = new QComboBox(Panel1);
    fontbox->setObjectName(QStringLiteral("fontbox"));
    fontbox->setToolTip(QStringLiteral("字体"));
    fontbox->setMaxVisibleItems(15);
    fontbox->setMinimumContentsLength(14);
    Panel1->addWidget(fontbox);
    fontsize = new QComboBox(Panel1);
    fontsize->setObjectName(QStringLiteral("fontsize"));
    fontsize->setToolTip(QStringLiteral("字号"));
    fontsize->setEditable(true);
    for (const char* size : {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26",
                             "28", "36", "48", "72"})
        fontsize->addItem(QString::fromLatin1(size));
    fontsize->setCurrentIndex(-1);
    Panel1->addWidget(fontsize);

    ScrollBoxMain = new QScrollArea(this);
    ScrollBoxMain->setObjectName(QStringLiteral("ScrollBoxMain"));
    ScrollBoxMain->setWidgetResizable(true);
    ScrollBoxMain->setBackgroundRole(QPalette::Dark);
    m_canvas = new QWidget;
    ScrollBoxMain->setWidget(m_canvas);
    ReportControlMain = new TReportControl(m_canvas);
    ReportControlMain->setObjectName(QStringLiteral("ReportControlMain"));
    ScrollBoxMain->installEventFilter(this);
    ReportControlMain->installEventFilter(this);
    // Typing into a cell and dragging a border change the template like the commands do.
    connect(ReportControlMain, &TReportControl::Changed, this, [this] { FileSaved = false; });
    setCentralWidget(ScrollBoxMain);
    resize(800, 600);
}

QString TMainForm::TemplateFileName() const {
    return TemplatePath(QString(), FormatName);
}

void TMainForm::file_saveClick() {
    ReportControlMain->SaveToFile(TemplatePath(StartDir, FormatName));
    FileSaved = true;
}

void TMainForm::file_exitClick() {
    close();
}

void TMainForm::FormCloseQuery(bool& canClose) {
    if (FileSaved) {
        AppTermination::Request();
        return;
    }
    switch (ShowMessage(QStringLiteral("提示"), QStringLiteral("是否保存文件？？？"),
                        MsgIcon::Question, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        try {
            file_saveClick();
        } catch (const KarvellError& e) {
            ShowError(e.message());
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
    if ((watched == ScrollBoxMain || watched == ReportControlMain) &&
        event->type() == QEvent::Resize)
        ScrollBoxMainResize();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize() {
    TReportControl* grid = ReportControlMain;
    const int zoom =
        FitZoomPercent(OuterSize(this), QSize(grid->CachedPageWidth, grid->CachedPageHeight));
    grid->hide();
    grid->SetZoom(zoom);
    ScrollBoxMainResize();
    grid->show();
}

void TMainForm::ScrollBoxMainResize() {
    TReportControl* grid = ReportControlMain;
    grid->move(CenteredPagePos(width(), OuterSize(this).height(), grid->size()));
    UpdateCanvasSize();
}

void TMainForm::UpdateCanvasSize() {
    const QRect g = ReportControlMain->geometry();
    m_canvas->setMinimumSize(g.right() + 1 + g.left(), g.bottom() + 1 + 10);
}

} // namespace karvell
