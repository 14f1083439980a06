// The runtime's entry points that expand the report and hand the pages to the preview window
// or the printer. Windows (progress box, preview, page setup, editor) come from RuntimeUi; with
// none installed nothing is shown.
#include <utility>

#include "platform/error.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

const QString kExpansionFailed =
    QStringLiteral("形成报表时发生错误，请检查各项参数与模板设置等是否正确");

void ShowExpansionFailed() {
    ShowMessage(ApplicationTitle(), kExpansionFailed, MsgIcon::Information, MsgButtons::Ok);
}

} // namespace

void TReportRunTime::ShowNotes() {
    // Taken first: a box may run an event loop that starts another run.
    const QStringList notes = std::exchange(Outcome.Notes, {});
    for (const QString& note : notes)
        ShowMessage(ApplicationTitle(), note, MsgIcon::None);
}

void TReportRunTime::PrintPreview(bool previewMode) {
    RuntimeUi* ui = RuntimeUi::Instance();
    FreePages();
    Outcome.Incomplete.clear();
    try {
        if (DataSets.isEmpty()) RunSetDataLines(false, true);
        if (!RequirePrinter()) {
            Outcome.Incomplete = QStringLiteral("未安装打印机");
            FreeDataSets();
            return;
        }
        // A template that could not be read has been reported by its load; what is left in
        // the lines (nothing, or an older template) is not the report asked for.
        if (!Outcome.TemplateIssue.isEmpty()) {
            Outcome.Incomplete = Outcome.TemplateIssue;
            FreeDataSets();
            return;
        }
        // A preview window can export its pages as a spreadsheet, which wants their numbers.
        if (!PrintDirect) KeepNumberCells = true;
        const int count = BuildPages(false, 0);
        ShowNotes();
        // Printing without a preview is all or nothing: when the count pass already knows
        // that the report cannot be completed, no page is printed.
        if (PrintDirect && !Outcome.RunIssue.isEmpty()) {
            Outcome.Incomplete = Outcome.RunIssue;
            FreeDataSets();
            return;
        }
        if (ui) ui->ShowProgress(this);
        const int detail = BuildPages(true, count);
        ShowNotes();
        // A run that stopped early has said why; in the preview its pages are shown as
        // designed, but the report is not complete.
        Outcome.Incomplete = Outcome.RunIssue;
        if (PageStreams.isEmpty() && Outcome.Incomplete.isEmpty())
            Outcome.Incomplete = QStringLiteral("没有生成任何页面");
        if (ui) ui->CloseProgress(this);
        // Pages with a wrong total are neither shown nor printed; a direct print prints only
        // a complete report.
        const bool show = !Outcome.WrongTotals && (!PrintDirect || Outcome.RunIssue.isEmpty());
        if (ui && show) ui->RunPreviewWindow(this, previewMode, detail, false);
        FreePages();
    } catch (const std::exception& e) {
        // The pages of a failed run are freed by the next one.
        Outcome.Incomplete = ErrorText(e);
        ShowNotes();
        ShowExpansionFailed();
        if (ui) ui->CloseProgress(this);
    }
    FreeDataSets();
}

void TReportRunTime::Preview() {
    FreePages();
    FreeDataSets();
    if (m_reportFile.isEmpty() || m_setData.isEmpty()) {
        ShowMessage(ApplicationTitle(), QStringLiteral("ReportFile或SetData属性未填列，不能预览。"),
                    MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    // Read the template again: it may have changed on disk.
    SetReportFile(m_reportFile);
    ShowNotes();
    int detail = 0;
    try {
        RunSetDataLines(true, true);
        const int count = BuildPages(false, 0);
        ShowNotes();
        detail = BuildPages(true, count);
        ShowNotes();
    } catch (const std::exception&) {
        ShowNotes();
        ShowExpansionFailed();
        return;
    }
    // This preview cannot print; border drags write column widths back into the pages.
    if (RuntimeUi* ui = RuntimeUi::Instance()) ui->RunPreviewWindow(this, true, detail, true);
    FreePages();
    RunSetDataLines(true, false);
}

bool TReportRunTime::PageSetupAndRebuild() {
    RuntimeUi* ui = RuntimeUi::Instance();
    if (!ui || !ui->PageSetupForFile(this, m_reportFile)) return false;
    // The template again, with its new margins and paper; the registered data sets as they are.
    SetReportFile(m_reportFile);
    ShowNotes();
    const int count = BuildPages(false, 0);
    ShowNotes();
    ui->ShowProgress(this);
    try {
        BuildPages(true, count);
    } catch (...) {
        ui->CloseProgress(this);
        ShowNotes();
        throw;
    }
    ui->CloseProgress(this);
    ShowNotes();
    ui->ShowRebuiltPages(this);
    return true;
}

void TReportRunTime::Design() {
    // The template editor lives above the core; it installs itself through RuntimeUi.
    if (RuntimeUi* ui = RuntimeUi::Instance()) ui->OpenDesigner(this);
}

} // namespace karvell
