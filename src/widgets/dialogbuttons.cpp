#include "dialogbuttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace karvell {

OkCancelButtons AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout) {
    OkCancelButtons b;
    b.ok = new QPushButton(QStringLiteral("确定"), dialog);
    b.ok->setObjectName(QStringLiteral("BitBtn1"));
    b.ok->setDefault(true);
    b.cancel = new QPushButton(QStringLiteral("取消"), dialog);
    b.cancel->setObjectName(QStringLiteral("BitBtn2"));
    b.cancel->setAutoDefault(false);
    QObject::connect(b.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addWidget(b.ok);
    layout->addWidget(b.cancel);
    return b;
}

} // namespace karvell
