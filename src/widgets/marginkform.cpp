#include "marginkform.h"

#include <QBoxLayout>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "model/reportdocument.h"
#include "platform/printer.h"

namespace karvell {

TMarginkForm::TMarginkForm(QWidget* owner) : TPellamForm(owner, DesignTag{}) {
    setObjectName(QStringLiteral("MarginkForm"));
    BuildPageSetupControls();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpeedButton2, &QPushButton::clicked, this, &TMarginkForm::SpeedButton2Click);
}

void TMarginkForm::AddOffsetControls(QPointF offsetMm) {
    auto* box = new QGroupBox(QStringLiteral("套打偏移（毫米，向右、向下为正）"), this);
    box->setObjectName(QStringLiteral("OffsetBox"));
    auto* form = new QFormLayout(box);
    auto make = [box](const char* name, double value) {
        auto* spin = new QDoubleSpinBox(box);
        spin->setObjectName(QString::fromLatin1(name));
        spin->setRange(-kMaxFormOffsetMm, kMaxFormOffsetMm);
        spin->setDecimals(1);
        spin->setSingleStep(0.5);
        spin->setValue(value);
        return spin;
    };
    OffsetX = make("OffsetX", offsetMm.x());
    OffsetY = make("OffsetY", offsetMm.y());
    form->addRow(QStringLiteral("横向偏移:"), OffsetX);
    form->addRow(QStringLiteral("纵向偏移:"), OffsetY);
    // Below the margins.
    if (auto* outer = qobject_cast<QBoxLayout*>(layout())) {
        const int at = outer->indexOf(GroupBox1);
        outer->removeWidget(GroupBox1);
        auto* column = new QVBoxLayout;
        column->addWidget(GroupBox1);
        column->addWidget(box);
        outer->insertLayout(std::max(at, 0), column, 1);
    }
}

int TMarginkForm::ExecutePageSetup(QWidget* owner, TReportDocument* grid, QPointF* formOffsetMm) {
    const std::unique_ptr<TMarginkForm> dialog(new TMarginkForm(owner));
    if (formOffsetMm) dialog->AddOffsetControls(*formOffsetMm);
    dialog->FillMargins(*grid);
    WritePaperToPrinter(*grid);
    if (dialog->exec() != QDialog::Accepted) return 2;
    grid->SetMargin(dialog->LeftValue(), dialog->TopValue(), dialog->RightValue(),
                    dialog->BottomValue());
    if (formOffsetMm) *formOffsetMm = QPointF(dialog->OffsetX->value(), dialog->OffsetY->value());
    return 1;
}

void TMarginkForm::SpeedButton2Click() {
    RunPrinterSetup();
}

} // namespace karvell
