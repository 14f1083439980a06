// The template editor's page setup, printing and preview.
#include <QBuffer>
#include <QStatusBar>
#include <QToolButton>
#include <memory>

#include "editor/karvellform.h"
#include "marginkform.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "previewform.h"
#include "reportcontrol.h"

namespace karvell {

void TKarvellForm::MarginSettingClick() {
    QPointF offset = PrinterService::Instance().FormOffsetMm();
    if (TMarginkForm::ExecutePageSetup(this, ReportControl1, &offset) != 1) return;
    // The form offset is the editor's setting, not the template's.
    PrinterService::Instance().SetFormOffsetMm(offset);
    Lunvane::SaveOffset(SettingsFile, offset);
    // The page size is taken again from the printer.
    ReportControl1->CachedPageWidth = 0;
    ReportControl1->UpdatePageSize();
    CenterGrid();
    ReportSaved = false;
}

void TKarvellForm::PrintItClick() {
    if (!karvell::RequirePrinter()) return;
    const QString pdf = ReportControl1->PrintDocument();
    StatusBar1->showMessage(
        pdf.isEmpty()
            ? QStringLiteral("已送到打印机 %1").arg(PrinterService::Instance().CurrentName())
            : QStringLiteral("已打印到 %1").arg(pdf),
        10000);
}

void TKarvellForm::SpeedButton4Click() {
    if (!karvell::RequirePrinter()) return;
    // The template as one page, exactly as laid out: placeholders and functions unfilled.
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    ReportControl1->SaveToStream(stream, 0);
    const auto preview = std::make_unique<TPreviewForm>(this);
    preview->setWindowTitle(QStringLiteral("Karvell - 打印预览"));
    preview->SetEditEptFlag(false);
    preview->SetPreviewMode(true);
    // Closing this preview returns to the editor; without a runtime it has no page setup.
    preview->EndsProgramOnClose = false;
    preview->PrintSetupBtn->setEnabled(false);
    preview->RunPreview({&stream});
}

} // namespace karvell
