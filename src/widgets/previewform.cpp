// The preview window: construction, layout and window events.
#include "previewform.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "apptermination.h"
#include "commandguard.h"
#include "pagefit.h"
#include "pagescrollbox.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "previewicons.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

namespace karvell {

TPreviewForm::TPreviewForm(QObject* owner)
    : QDialog(qobject_cast<QWidget*>(owner)), m_owner(owner) {
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Danmere - 打印预览"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolBar();
    layout->addWidget(ToolBar1);

    ScrollBox1 = new TPageScrollBox(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ReportControl1 = ScrollBox1->Grid();
    ReportControl1->setObjectName(QStringLiteral("ReportControl1"));
    ReportControl1->SetKarvellEdit(false);
    ReportControl1->installEventFilter(this);
    connect(ReportControl1, &TReportControl::BorderDragApplied, this, [this] {
        try {
            WriteColumnWidthsBack();
        } catch (const KarvellError& e) {
            ShowError(e.message());
        }
    });
    connect(ScrollBox1, &TPageScrollBox::Resized, this, &TPreviewForm::CenterPage);
    layout->addWidget(ScrollBox1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel(StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFixedWidth(150);
    StatusPanel->setAlignment(Qt::AlignCenter);
    StatusBar1->addWidget(StatusPanel);
    layout->addWidget(StatusBar1);

    // Creation: size, page counters, zoom, and row buttons only for an editing runtime.
    resize(715, 550);
    CurrentPage = 1;
    PageCount = 1;
    PreviewZoom = 75;
    const TReportRunTime* runtime = OwnerRunTime();
    const bool rowEditing = runtime && runtime->EnableEdit();
    insertrow->setEnabled(rowEditing);
    addrow->setEnabled(rowEditing);
    deleterow->setEnabled(rowEditing);
    StatusPanel->setText(QStringLiteral("第1页  共1页"));
    CenterPage();
}

TPreviewForm::~TPreviewForm() = default;

TReportRunTime* TPreviewForm::OwnerRunTime() const {
    return qobject_cast<TReportRunTime*>(m_owner.data());
}

QToolButton* TPreviewForm::AddButton(const char* name, const QString& caption, const QString& hint,
                                     const QIcon& icon, void (TPreviewForm::*action)()) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(43, 52);
    button->setAutoRaise(true);
    ToolBar1->addWidget(button);
    // A platform error ends the action and reaches the standard error display.
    connect(button, &QToolButton::clicked, this,
            [this, action] { RunGuarded([this, action] { (this->*action)(); }); });
    return button;
}

void TPreviewForm::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setMovable(false);
    using I = PreviewIcon;
    auto icon = [](I kind) { return MakePreviewIcon(kind); };
    PrintSetupBtn = AddButton("PrintSetupBtn", QStringLiteral("设置"), QStringLiteral("打印设置"),
                              icon(I::PrintSetup), &TPreviewForm::PrintSetupBtnClick);
    ToolBar1->addSeparator();
    PrintBtn = AddButton("PrintBtn", QStringLiteral("打印"), QStringLiteral("打印"), icon(I::Print),
                         &TPreviewForm::PrintBtnClick);
    ToolBar1->addSeparator();
    PrintSizeBtn =
        AddButton("PrintSizeBtn", QStringLiteral("最适合"), QStringLiteral("最适合的缩放比例"),
                  icon(I::FitSize), &TPreviewForm::PrintSizeBtnClick);
    ToolBar1->addSeparator();
    OriginalSizeBtn = AddButton("OriginalSizeBtn", QStringLiteral("原比例"), QString(),
                                icon(I::OriginalSize), &TPreviewForm::OriginalSizeBtnClick);
    ToolBar1->addSeparator();
    ZoomInBtn = AddButton("ZoomInBtn", QStringLiteral("放大"), QStringLiteral("放大"),
                          icon(I::ZoomIn), &TPreviewForm::ZoomInBtnClick);
    ZoomOutBtn = AddButton("ZoomOutBtn", QStringLiteral("缩小"), QStringLiteral("缩小"),
                           icon(I::ZoomOut), &TPreviewForm::ZoomOutBtnClick);
    ToolBar1->addSeparator();
    FirstBtn = AddButton("FirstBtn", QStringLiteral("首页"), QStringLiteral("首页"), icon(I::First),
                         &TPreviewForm::FirstBtnClick);
    PriorBtn = AddButton("PriorBtn", QStringLiteral("上页"), QStringLiteral("上页"), icon(I::Prior),
                         &TPreviewForm::PriorBtnClick);
    NextBtn = AddButton("NextBtn", QStringLiteral("下页"), QStringLiteral("下页"), icon(I::Next),
                        &TPreviewForm::NextBtnClick);
    LastBtn = AddButton("LastBtn", QStringLiteral("末页"), QStringLiteral("末页"), icon(I::Last),
                        &TPreviewForm::LastBtnClick);
    ToolBar1->addSeparator();
    insertrow = AddButton("insertrow", QStringLiteral("插入行"), QString(), icon(I::InsertRow),
                          &TPreviewForm::insertrowClick);
    addrow = AddButton("addrow", QStringLiteral("添加行"), QString(), icon(I::AddRow),
                       &TPreviewForm::addrowClick);
    deleterow = AddButton("deleterow", QStringLiteral("删除行"), QString(), icon(I::DeleteRow),
                          &TPreviewForm::deleterowClick);
    ToolBar1->addSeparator();
    ExitBtn = AddButton("ExitBtn", QStringLiteral("退出"), QStringLiteral("退出"), icon(I::Exit),
                        &TPreviewForm::ExitBtnClick);
    ToolBar1->addSeparator();
    ExportBtn = AddButton("ExportBtn", QStringLiteral("导出…"),
                          QStringLiteral("把所有页导出为 PDF、PDF/A 或 Excel 文件"),
                          icon(I::Export), &TPreviewForm::ExportBtnClick);
}

bool TPreviewForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        SetAllowEdit(AllowEdit);
        SetEditEptFlag(EditEptFlag);
    }
    return QDialog::event(e);
}

void TPreviewForm::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    FitZoom();
}

void TPreviewForm::closeEvent(QCloseEvent* e) {
    // Closing a preview window ends the program.
    if (EndsProgramOnClose) AppTermination::Request();
    QDialog::closeEvent(e);
}

void TPreviewForm::keyPressEvent(QKeyEvent* e) {
    // The window closes only through its close box and the exit button, never by Escape.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ReportControl1 && e->type() == QEvent::MouseButtonRelease &&
        ReportControl1->isEnabled())
        PreviewZoom = 100; // the grid went back to 100 on the press; the next step starts there
    return QDialog::eventFilter(watched, e);
}

void TPreviewForm::FitZoom() {
    if (!ReportControl1) return;
    PreviewZoom = FitZoomPercent(
        OuterSize(this), QSize(ReportControl1->CachedPageWidth, ReportControl1->CachedPageHeight));
    ApplyPreviewZoom();
}

void TPreviewForm::CenterPage() {
    if (!ScrollBox1) return;
    ScrollBox1->CenterGrid(width(), OuterSize(this).height());
}

void TPreviewForm::ApplyPreviewZoom() {
    ScrollBox1->ZoomGrid(PreviewZoom, width(), OuterSize(this).height());
}

} // namespace karvell
