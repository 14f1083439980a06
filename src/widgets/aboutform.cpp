#include "aboutform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace karvell {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Karvell报表模版工具"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Credits = new QLabel(QStringLiteral("Karvell 报表组件\n\n"
                                        "表格式报表：模板设计、数据填充、预览与打印\n"
                                        "报表网格、模板文件、报表运行时与对话框"),
                         this);
    Credits->setObjectName(QStringLiteral("Credits"));
    Credits->setAlignment(Qt::AlignCenter);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Credits, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace karvell
