#include "marginkform.h"

#include <QPushButton>
#include <memory>

#include "model/reportdocument.h"

namespace karvell {

TMarginkForm::TMarginkForm(QWidget* owner) : TPellamForm(owner, DesignTag{}) {
    setObjectName(QStringLiteral("MarginkForm"));
    BuildPageSetupControls();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpeedButton2, &QPushButton::clicked, this, &TMarginkForm::SpeedButton2Click);
}

int TMarginkForm::ExecutePageSetup(QWidget* owner, TReportDocument* grid) {
    const std::unique_ptr<TMarginkForm> dialog(new TMarginkForm(owner));
    dialog->FillMargins(*grid);
    WritePaperToPrinter(*grid);
    if (dialog->exec() != QDialog::Accepted) return 2;
    grid->SetMargin(dialog->LeftValue(), dialog->TopValue(), dialog->RightValue(),
                    dialog->BottomValue());
    return 1;
}

void TMarginkForm::SpeedButton2Click() {
    RunPrinterSetup();
}

} // namespace karvell
