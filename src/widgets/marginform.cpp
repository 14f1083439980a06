#include "marginform.h"

#include <QKeyEvent>
#include <QPushButton>

#include "platform/error.h"
#include "platform/messages.h"
#include "reportcontrol.h"

namespace karvell {

TMarginForm::TMarginForm(QWidget* owner) : TPellamForm(owner, DesignTag{}) {
    setObjectName(QStringLiteral("MarginForm"));
    BuildPageSetupControls();
    ReportControl1 = new TReportControl(this);
    ReportControl1->setObjectName(QStringLiteral("ReportControl1"));
    ReportControl1->SetKarvellEdit(false);
    ReportControl1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        try {
            BitBtn1Click();
            accept();
        } catch (const KarvellError& e) {
            ShowError(e.message());
        }
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        BitBtn2Click();
        reject();
    });
    connect(SpeedButton2, &QPushButton::clicked, this, &TMarginForm::SpeedButton2Click);
}

std::unique_ptr<TMarginForm> TMarginForm::CreateForFile(QWidget* owner, const QString& fileName) {
    std::unique_ptr<TMarginForm> dialog(new TMarginForm(owner));
    dialog->FileName = fileName;
    dialog->SetupDone = false;
    dialog->ReportControl1->LoadFromFile(fileName);
    dialog->FillMargins(*dialog->ReportControl1);
    WritePaperToPrinter(*dialog->ReportControl1);
    return dialog;
}

void TMarginForm::BitBtn1Click() {
    TReportControl* grid = ReportControl1;
    grid->CachedPageWidth = 0;
    grid->UpdatePageSize();
    grid->SetMargin(LeftValue(), TopValue(), RightValue(), BottomValue());
    grid->SaveToFile(FileName);
    grid->ResetContent();
    SetupDone = true;
}

void TMarginForm::BitBtn2Click() {
    SetupDone = false;
}

void TMarginForm::SpeedButton2Click() {
    SetupDone = RunPrinterSetup();
}

void TMarginForm::keyPressEvent(QKeyEvent* event) {
    // Escape is the cancel button; only the title-bar close box leaves SetupDone alone.
    if (event->key() == Qt::Key_Escape) {
        BitBtn2->click();
        return;
    }
    TPellamForm::keyPressEvent(event);
}

} // namespace karvell
