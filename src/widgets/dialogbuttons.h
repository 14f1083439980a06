#pragma once
// The OK "确定" and cancel "取消" buttons the small cell dialogs share: OK accepts and answers
// the Enter key, cancel rejects (as does Escape, the dialog's own rule).
class QBoxLayout;
class QDialog;
class QLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace karvell {

struct OkCancelButtons {
    QPushButton* ok = nullptr;     // "BitBtn1"
    QPushButton* cancel = nullptr; // "BitBtn2"
};

// Makes both buttons as children of `dialog`, connects them and adds them to `layout`.
OkCancelButtons AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);

// The buttons in a column at the dialog's right, over a stretch.
struct OkCancelColumn {
    OkCancelButtons buttons;
    QVBoxLayout* column = nullptr; // more buttons may follow below the stretch
};

// The small cell dialogs' layout: `content` takes the width, the column of OK and cancel stands
// beside it, and the dialog keeps the size its contents need.
OkCancelColumn LayOutBesideOkCancel(QDialog* dialog, QWidget* content);
OkCancelColumn LayOutBesideOkCancel(QDialog* dialog, QLayout* content);

} // namespace karvell
