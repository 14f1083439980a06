// The template editor's window: its controls and layout, creation, the view (fit, zoom,
// centring), the modal run and the window events.
#include "editor/karvellform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <optional>

#include "commandguard.h"
#include "compositionguard.h"
#include "editor/fieldmime.h"
#include "editorstate/editorview.h"
#include "formatbar.h"
#include "pagefit.h"
#include "pagescrollbox.h"
#include "render/colorref.h"
#include "reportcontrol.h"
#include "runtime/components.h"
#include "windowlook.h"

namespace karvell {
namespace {

std::optional<QStringList>& ArgumentsOverride() {
    static std::optional<QStringList> arguments;
    return arguments;
}

} // namespace

QStringList TKarvellForm::TemplateArguments() {
    if (ArgumentsOverride()) return *ArgumentsOverride();
    return QCoreApplication::arguments().mid(1);
}

void TKarvellForm::SetTemplateArguments(const QStringList& arguments) {
    ArgumentsOverride() = arguments;
}

TKarvellForm::TKarvellForm(QObject* owner, const QStringList& arguments)
    : QMainWindow(qobject_cast<QWidget*>(owner)), m_owner(owner), m_arguments(arguments),
      m_fontDialogColor(clWindowText) {
    setObjectName(QStringLiteral("KarvellForm"));
    setWindowTitle(QStringLiteral("Karvell4.0"));
    // A widget owner is the parent; a runtime owner is not a widget, so the window is top
    // level and whoever made it destroys it.
    setWindowFlag(Qt::Window, true);
    m_fontDialogFont = DefaultCellFont(); // "宋体", 16 px, regular
    BuildWindow();
    Components::RegisterForm(this);
    FormCreate();
}

TKarvellForm::~TKarvellForm() {
    for (const QPointer<QWidget>& w : std::as_const(FieldWindows))
        delete w.data();
}

void TKarvellForm::BuildWindow() {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 128, 128));
    setPalette(pal);
    setAutoFillBackground(true);

    BuildMenus();
    BuildToolBar();
    addToolBarBreak();
    BuildFormatBar();

    // The work area: the scroll box between an 8 px and a 9 px strip.
    auto* work = new QWidget(this);
    work->setObjectName(QStringLiteral("WorkArea"));
    auto* row = new QHBoxLayout(work);
    row->setContentsMargins(8, 0, 9, 0);
    row->setSpacing(0);
    ScrollBox1 = new TPageScrollBox(work);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    row->addWidget(ScrollBox1);
    setCentralWidget(work);
    ReportControl1 = ScrollBox1->Grid();
    ReportControl1->setObjectName(QStringLiteral("ReportControl1"));
    ReportControl1->SetKarvellEdit(true);
    ReportControl1->setAcceptDrops(true);
    ReportControl1->installEventFilter(this);
    connect(ScrollBox1, &TPageScrollBox::Resized, this, &TKarvellForm::ScrollBox1Resize);
    // Typing into a cell and dragging a border change the template like the tools do.
    connect(ReportControl1, &TReportControl::Changed, this, [this] { ReportSaved = false; });
    connect(ReportControl1, &TReportControl::MouseDown, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint p) {
                RunGuarded([&] { ReportControl1MouseDown(b, m, p); });
            });
    // Undo, redo, the keyboard and the clipboard in the grid; a key that moves the current
    // cell refreshes the bars as a left press does.
    ReportControl1->SetDesignKeys(true);
    connect(ReportControl1, &TReportControl::CurrentCellMoved, this,
            [this] { RunGuarded([this] { SyncBar(); }); });
    connect(ReportControl1, &TReportControl::HistoryChanged, this, &TKarvellForm::UpdateUndoItems);
    UpdateUndoItems();
    InstallCompositionGuard();
    InstallWindowLook();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel = new QLabel(QStringLiteral("  Karvell报表模板编辑器 Ver  4.02"), StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusBar1->addWidget(StatusPanel, 1);
    setStatusBar(StatusBar1);
    // What a cell cannot store is said, never dropped silently.
    connect(ReportControl1, &TReportControl::TextRefused, this,
            [this](const QString& reason) { StatusBar1->showMessage(reason, 10000); });
    resize(1024, 740);
}

void TKarvellForm::FormCreate() {
    ReportSaved = true;
    FieldWindowColumn = 0;
    FieldWindowRow = 0;
    setWindowTitle(QStringLiteral("[无报表]"));
    RunGuarded([this] {
        loadini();
        SaveIni();
        Panel4->FillFontBoxes();
        ViewZoom = 100;
        if (!m_arguments.isEmpty()) OpenReport(m_arguments.constFirst());
        ReportControl1->UpdatePageSize();
        FillDataSetBox();
    });
}

void TKarvellForm::ShowModal() {
    QEventLoop loop;
    connect(this, &TKarvellForm::Closed, &loop, &QEventLoop::quit);
    setWindowModality(Qt::ApplicationModal);
    showMaximized();
    if (isVisible()) loop.exec();
}

void TKarvellForm::RunCommand(void (TKarvellForm::*handler)()) {
    // Saving is no change (a step recorded around it would leave the saved state at once),
    // and the undo items move through the history themselves.
    const bool records =
        handler != &TKarvellForm::N29Click && handler != &TKarvellForm::FileSaveClick &&
        handler != &TKarvellForm::EditUndoClick && handler != &TKarvellForm::EditRedoClick;
    if (records)
        RunRecorded([this, handler] { (this->*handler)(); });
    else
        RunGuarded([this, handler] { (this->*handler)(); });
}

void TKarvellForm::RunRecorded(const std::function<void()>& change) {
    RunGuarded([this, &change] { ReportControl1->History().Change(change); });
}

void TKarvellForm::EditUndoClick() {
    if (!ReportControl1->Undo()) return;
    ReportSaved = ReportControl1->History().IsAtSavedState();
    SyncBar(); // the bar shows the restored cell, not what was typed before the undo
}

void TKarvellForm::EditRedoClick() {
    if (!ReportControl1->Redo()) return;
    ReportSaved = ReportControl1->History().IsAtSavedState();
    SyncBar();
}

void TKarvellForm::UpdateUndoItems() {
    if (!ReportControl1) return; // the menus are built before the grid
    const TUndoHistory& history = ReportControl1->History();
    if (EditUndo) EditUndo->setEnabled(history.CanUndo());
    if (EditRedo) EditRedo->setEnabled(history.CanRedo());
}

void TKarvellForm::ApplyView() {
    ScrollBox1->setUpdatesEnabled(false);
    ReportControl1->hide();
    ReportControl1->SetZoom(ViewZoom);
    CenterGrid();
    ReportControl1->show();
    ScrollBox1->setUpdatesEnabled(true);
}

void TKarvellForm::FormResize() {
    const QSize page(ReportControl1->CachedPageWidth, ReportControl1->CachedPageHeight);
    ViewZoom = std::max(MIN_PAGE_ZOOM, EditorFitZoom(OuterSize(this), page));
    ApplyView();
}

void TKarvellForm::SpeedButton8Click() {
    ReportControl1->CancelEdit();
    FormResize();
}

void TKarvellForm::SpeedButton12Click() {
    // The steps start from the zoom shown (a click or a key may have returned it to 100 %).
    ViewZoom = ReportControl1->Zoom + 10;
    ReportControl1->CancelEdit();
    ApplyView();
}

void TKarvellForm::SpeedButton15Click() {
    ViewZoom = std::max(MIN_PAGE_ZOOM, ReportControl1->Zoom - 10);
    ReportControl1->CancelEdit();
    ApplyView();
}

void TKarvellForm::CenterGrid() {
    ScrollBox1->PlaceGrid(EditorGridPos(width(), OuterSize(this).height(), ReportControl1->size()));
}

void TKarvellForm::ScrollBox1Resize() {
    CenterGrid();
}

void TKarvellForm::ReportControl1MouseUp() {
    // A left press in the grid has returned it to 100 %.
    ViewZoom = 100;
}

void TKarvellForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    RunGuarded([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    for (const QPointer<QWidget>& w : std::as_const(FieldWindows))
        if (w) w->close();
    Q_EMIT Closed();
}

void TKarvellForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (ReportControl1) FormResize();
}

bool TKarvellForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ReportControl1) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        // Every dragged source is accepted over the grid.
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::optional<QString> field = FieldFromMime(drop->mimeData());
        if (!field) return false;
        drop->acceptProposedAction();
        const QPoint pos = drop->position().toPoint();
        RunRecorded([&] { ReportControl1DragDrop(*field, pos); });
        return true;
    }
    case QEvent::MouseButtonRelease:
        ReportControl1MouseUp();
        break;
    case QEvent::Resize:
        // A click that returned the grid to 100 % resized it: centre it again.
        CenterGrid();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace karvell
