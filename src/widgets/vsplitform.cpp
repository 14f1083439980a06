#include "vsplitform.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "dialogbuttons.h"

namespace karvell {

TVSplitForm::TVSplitForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("VSplitForm"));
    setWindowTitle(QStringLiteral("拆分单元格"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    GroupBox1 = new QGroupBox(QStringLiteral("拆分单元格"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* row = new QHBoxLayout(GroupBox1);
    auto* label = new QLabel(QStringLiteral("拆分个数："), GroupBox1);
    VSplitCount = new QSpinBox(GroupBox1);
    VSplitCount->setObjectName(QStringLiteral("VSplitCount"));
    VSplitCount->setRange(2, 50);
    VSplitCount->setValue(2);
    VSplitCount->setMinimumWidth(70);
    label->setBuddy(VSplitCount);
    row->addWidget(label);
    row->addWidget(VSplitCount);
    const OkCancelButtons buttons = LayOutBesideOkCancel(this, GroupBox1).buttons;
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
}

int TVSplitForm::Count() const {
    return VSplitCount->value();
}

} // namespace karvell
