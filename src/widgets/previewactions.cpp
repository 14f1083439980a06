// The preview window: running the preview, showing a page, zooming and the buttons' actions.
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>

#include "model/widthwriteback.h"
#include "pagefit.h"
#include "platform/printer.h"
#include "previewform.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

namespace karvell {

void TPreviewForm::RunPreview(const QList<QBuffer*>& pageStreams) {
    ShowsStreams = true;
    const auto done = qScopeGuard([this] { ShowsStreams = false; });
    if (pageStreams.isEmpty()) return;
    SetPages(pageStreams);
    ShowPage();
    if (PrintDirect) {
        PrintBtnClick();
        return;
    }
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
}

void TPreviewForm::SetPages(const QList<QBuffer*>& pageStreams) {
    Pages = pageStreams;
}

QBuffer* TPreviewForm::PageStream(int n) const {
    if (!ShowsStreams || n < 1 || n > Pages.size()) return nullptr;
    return Pages[n - 1];
}

void TPreviewForm::ShowPage() {
    const int z = ReportControl1->Zoom;
    if (ShowsStreams) PageCount = Pages.size();
    if (PageCount < CurrentPage) CurrentPage = PageCount;
    PriorBtn->setEnabled(CurrentPage > 1);
    FirstBtn->setEnabled(CurrentPage > 1);
    NextBtn->setEnabled(CurrentPage < PageCount);
    LastBtn->setEnabled(CurrentPage < PageCount);
    StatusPanel->setText(QStringLiteral("第%1页  共%2页").arg(CurrentPage).arg(PageCount));

    setUpdatesEnabled(false);
    const auto thaw = qScopeGuard([this] { setUpdatesEnabled(true); });
    if (ShowsStreams && CurrentPage >= 1 && CurrentPage <= Pages.size() && Pages[CurrentPage - 1]) {
        // Loading a page also hands its paper to the current printer.
        ReportControl1->LoadFromStream(*Pages[CurrentPage - 1], 0);
    }
    ReportControl1->SetZoom(z);
    SetAllowEdit(AllowEdit);
    SetEditEptFlag(EditEptFlag);
}

void TPreviewForm::SetPreviewMode(bool value) {
    ReportControl1->PreviewMode = value;
    ReportControl1->update();
}

void TPreviewForm::SetAllowEdit(bool value) {
    ReportControl1->setEnabled(value);
    AllowEdit = value;
}

void TPreviewForm::PrintSetupBtnClick() {
    if (TReportRunTime* runtime = OwnerRunTime()) {
        if (runtime->PageSetupAndRebuild()) FirstBtnClick();
    }
    PrintSizeBtnClick();
}

void TPreviewForm::PrintBtnClick() {
    ReportControl1->CancelEdit();
    ReportControl1->hide();
    ReportControl1->SetZoom(100);
    // Back to the chosen zoom also when a job fails.
    const auto restore = qScopeGuard([this] {
        ReportControl1->SetZoom(PreviewZoom);
        CenterPage();
        ReportControl1->show();
    });
    QStringList files;
    const auto report = qScopeGuard([this, &files] { ShowPrinted(files); });
    if (PageCount == 1) {
        // The grid as it is: edits made in the preview are printed.
        files.append(ReportControl1->PrintDocument());
        return;
    }
    const int remembered = CurrentPage;
    const auto back = qScopeGuard([this, remembered] {
        CurrentPage = remembered;
        try {
            ShowPage();
        } catch (...) { // the page loaded before; a failing job is what gets reported
        }
    });
    for (int i = 1; i <= PageCount; ++i) {
        CurrentPage = i;
        ShowPage();
        files.append(ReportControl1->PrintDocument()); // each page its own job
    }
}

void TPreviewForm::ShowPrinted(const QStringList& jobs) {
    if (jobs.isEmpty()) return;
    // PDF jobs name their file; a printer queue answers an empty name.
    const QString last = jobs.last();
    QString text;
    if (last.isEmpty())
        text = QStringLiteral("已把 %1 页送到打印机 %2")
                   .arg(jobs.size())
                   .arg(PrinterService::Instance().CurrentName());
    else if (jobs.size() == 1)
        text = QStringLiteral("已打印到 %1").arg(QDir::toNativeSeparators(last));
    else
        text = QStringLiteral("已打印 %1 页到 %2（%3 … %4）")
                   .arg(jobs.size())
                   .arg(QDir::toNativeSeparators(QFileInfo(last).absolutePath()),
                        QFileInfo(jobs.first()).fileName(), QFileInfo(last).fileName());
    ShowNote(text);
}

void TPreviewForm::ShowNote(const QString& text) {
    // A panel of its own: a status-bar message would hide the page panel.
    if (!PrintedPanel) {
        PrintedPanel = new QLabel(StatusBar1);
        PrintedPanel->setObjectName(QStringLiteral("PrintedPanel"));
        StatusBar1->addWidget(PrintedPanel, 1);
    }
    PrintedPanel->setText(text);
    PrintedPanel->show();
}

void TPreviewForm::PrintSizeBtnClick() {
    ReportControl1->CancelEdit();
    FitZoom();
}

void TPreviewForm::OriginalSizeBtnClick() {
    ReportControl1->CancelEdit();
    PreviewZoom = 100;
    ApplyPreviewZoom();
}

void TPreviewForm::ZoomInBtnClick() {
    ReportControl1->CancelEdit();
    PreviewZoom += 10;
    ApplyPreviewZoom();
}

void TPreviewForm::ZoomOutBtnClick() {
    ReportControl1->CancelEdit();
    // The zoom stays positive: the last step down stops at the smallest zoom.
    PreviewZoom = std::max(MIN_PAGE_ZOOM, PreviewZoom - 10);
    ApplyPreviewZoom();
}

void TPreviewForm::FirstBtnClick() {
    CurrentPage = 1;
    ShowPage();
}

void TPreviewForm::PriorBtnClick() {
    if (CurrentPage > 1) {
        CurrentPage -= 1;
        ShowPage();
    }
}

void TPreviewForm::NextBtnClick() {
    if (CurrentPage < PageCount) {
        CurrentPage += 1;
        ShowPage();
    }
}

void TPreviewForm::LastBtnClick() {
    CurrentPage = PageCount;
    ShowPage();
}

void TPreviewForm::insertrowClick() {
    ReportControl1->InsertLine();
    ReportControl1->update();
}

void TPreviewForm::addrowClick() {
    if (ReportControl1->LastSelectedCell) {
        ReportControl1->AddLine();
        ReportControl1->update();
    }
}

void TPreviewForm::deleterowClick() {
    ReportControl1->DeleteLine();
    ReportControl1->update();
}

void TPreviewForm::ExitBtnClick() {
    close();
}

void TPreviewForm::WriteColumnWidthsBack() {
    // Only a preview of a report runtime writes widths back; the grid decides the rest.
    if (!OwnerRunTime()) return;
    karvell::WriteColumnWidthsBack(*ReportControl1, Tag(), PageStream(CurrentPage));
}

} // namespace karvell
