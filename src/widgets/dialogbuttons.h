#pragma once
// The OK "确定" and cancel "取消" buttons the small cell dialogs share: OK accepts and answers
// the Enter key, cancel rejects (as does Escape, the dialog's own rule).
class QBoxLayout;
class QDialog;
class QPushButton;

namespace karvell {

struct OkCancelButtons {
    QPushButton* ok = nullptr;     // "BitBtn1"
    QPushButton* cancel = nullptr; // "BitBtn2"
};

// Makes both buttons as children of `dialog`, connects them and adds them to `layout`.
OkCancelButtons AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);

} // namespace karvell
