#include "newtableform.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogbuttons.h"

namespace karvell {

TfrmNewTable::TfrmNewTable(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmNewTable"));
    setWindowTitle(QStringLiteral("请输入表格的行列的数目"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* grid = new QGridLayout;
    auto addRow = [&](int row, const char* caption, const char* name, const char* text) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->installEventFilter(this);
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        return edit;
    };
    Edit1 = addRow(0, "行：", "Edit1", "10");
    Edit2 = addRow(1, "列：", "Edit2", "6");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const OkCancelButtons b = AddOkCancelButtons(this, buttons);
    BitBtn1 = b.ok;
    BitBtn2 = b.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TfrmNewTable::Edit1KeyPress(QChar key) {
    return key.unicode() == 8 || key.unicode() == 13 || (key >= u'0' && key <= u'9');
}

bool TfrmNewTable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 || watched == Edit2) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Keys that type no character (arrows, Delete, Tab, Escape) are not examined.
            if (!text.isEmpty() && text[0].isPrint() && !Edit1KeyPress(text[0])) return true;
        } else if (event->type() == QEvent::InputMethod) {
            // Composed text: only its digits reach the box.
            auto* im = static_cast<QInputMethodEvent*>(event);
            QString digits;
            for (const QChar c : im->commitString())
                if (Edit1KeyPress(c)) digits.append(c);
            if (digits != im->commitString()) {
                QInputMethodEvent filtered(im->preeditString(), im->attributes());
                filtered.setCommitString(digits, im->replacementStart(), im->replacementLength());
                static_cast<QLineEdit*>(watched)->event(&filtered);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace karvell
