#include "printersetupdialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/printer.h"

namespace karvell {

TPrinterSetupDialog::TPrinterSetupDialog(QWidget* parent) : QDialog(parent) {
    PrinterService& service = PrinterService::Instance();
    const DEVMODE dm = *service.LockPrinterDevMode(); // refuses without a printer
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(QStringLiteral("打印设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    PrinterBox = new QComboBox(this);
    PrinterBox->setObjectName(QStringLiteral("PrinterBox"));
    PrinterBox->addItems(service.Printers());
    PrinterBox->setCurrentIndex(service.CurrentIndex());

    PaperBox = new QComboBox(this);
    PaperBox->setObjectName(QStringLiteral("PaperBox"));
    for (const PaperChoice& paper : StandardPapers())
        PaperBox->addItem(paper.caption, int(paper.code));
    int paper = PaperBox->findData(int(dm.dmPaperSize));
    if (paper < 0) {
        // A size of the template's own stays choosable as it is.
        const QSizeF mm = PaperSizeMm(dm);
        PaperBox->addItem(QStringLiteral("自定义 (%1 × %2 毫米)")
                              .arg(mm.width(), 0, 'g', 4)
                              .arg(mm.height(), 0, 'g', 4),
                          int(dm.dmPaperSize));
        paper = PaperBox->count() - 1;
    }
    PaperBox->setCurrentIndex(paper);

    Portrait = new QRadioButton(QStringLiteral("纵向"), this);
    Portrait->setObjectName(QStringLiteral("Portrait"));
    Landscape = new QRadioButton(QStringLiteral("横向"), this);
    Landscape->setObjectName(QStringLiteral("Landscape"));
    (dm.dmOrientation == DMORIENT_LANDSCAPE ? Landscape : Portrait)->setChecked(true);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(Portrait);
    orientation->addWidget(Landscape);
    orientation->addStretch(1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("打印机："), PrinterBox);
    form->addRow(QStringLiteral("纸张："), PaperBox);
    form->addRow(QStringLiteral("方向："), orientation);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    PrinterBox->setMinimumContentsLength(24);
}

void TPrinterSetupDialog::accept() {
    ApplyChoice();
    QDialog::accept();
}

void TPrinterSetupDialog::ApplyChoice() {
    PrinterService::Instance().ApplySetup(
        PrinterBox->currentIndex(), int16_t(PaperBox->currentData().toInt()),
        Landscape->isChecked() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
}

} // namespace karvell
