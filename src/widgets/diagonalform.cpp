#include "diagonalform.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogbuttons.h"
#include "model/reportcell.h"

namespace karvell {

TDiagonalForm::TDiagonalForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DiagonalForm"));
    setWindowTitle(QStringLiteral("斜线设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    GroupBox1 = new QGroupBox(QStringLiteral("斜线"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* boxes = new QVBoxLayout(GroupBox1);
    struct Box {
        QCheckBox*& box;
        const char* name;
        const char* caption;
        uint32_t bit;
    };
    const Box table[] = {
        {LeftDiagonal1, "LeftDiagonal1", "左斜线1", DIAG_LT_RB},
        {LeftDiagonal2, "LeftDiagonal2", "左斜线2", DIAG_LT_RM},
        {LeftDiagonal3, "LeftDiagonal3", "左斜线3", DIAG_LT_BM},
        {RightDiagonal1, "RightDiagonal1", "右斜线1", DIAG_RT_LB},
        {RightDiagonal2, "RightDiagonal2", "右斜线2", DIAG_RT_LM},
        {RightDiagonal3, "RightDiagonal3", "右斜线3", DIAG_RT_BM},
    };
    for (const Box& b : table) {
        b.box = new QCheckBox(QString::fromUtf8(b.caption), GroupBox1);
        b.box->setObjectName(QString::fromLatin1(b.name));
        b.box->setProperty("diagonalBit", uint(b.bit));
        boxes->addWidget(b.box);
    }
    const OkCancelButtons buttons = LayOutBesideOkCancel(this, GroupBox1).buttons;
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
}

uint32_t TDiagonalForm::Flags() const {
    uint32_t flags = 0;
    for (const QCheckBox* box : {LeftDiagonal1, LeftDiagonal2, LeftDiagonal3, RightDiagonal1,
                                 RightDiagonal2, RightDiagonal3})
        if (box->isChecked()) flags |= box->property("diagonalBit").toUInt();
    return flags;
}

} // namespace karvell
