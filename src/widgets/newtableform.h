#pragma once
// The new-table dialog "请输入表格的行列的数目": the number of lines and of columns as typed
// texts (digits only). Enter is OK, Escape is cancel. The caller converts the texts.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace karvell {

class TfrmNewTable : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewTable(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr; // lines, "10"
    QLineEdit* Edit2 = nullptr; // columns, "6"
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // The digit filter of both boxes: backspace, Enter and the digits pass, every other typed
    // character is discarded before it reaches the box.
    static bool Edit1KeyPress(QChar key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace karvell
