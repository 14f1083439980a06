#include "dialogbuttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace karvell {
namespace {

template <class AddContent>
OkCancelColumn LayOutBeside(QDialog* dialog, const AddContent& addContent) {
    OkCancelColumn c;
    c.column = new QVBoxLayout;
    c.buttons = AddOkCancelButtons(dialog, c.column);
    c.column->addStretch(1);
    auto* layout = new QHBoxLayout(dialog);
    addContent(layout);
    layout->addLayout(c.column);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return c;
}

} // namespace

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

OkCancelColumn LayOutBesideOkCancel(QDialog* dialog, QWidget* content) {
    return LayOutBeside(dialog, [content](QHBoxLayout* layout) { layout->addWidget(content, 1); });
}

OkCancelColumn LayOutBesideOkCancel(QDialog* dialog, QLayout* content) {
    return LayOutBeside(dialog, [content](QHBoxLayout* layout) { layout->addLayout(content, 1); });
}

} // namespace karvell
