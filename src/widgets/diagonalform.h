#pragma once
// The diagonal dialog "斜线设置": six check boxes, each one bit of a cell's DiagonalFlags; all
// clear when the dialog opens.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace karvell {

class TDiagonalForm : public QDialog {
    Q_OBJECT
public:
    explicit TDiagonalForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* LeftDiagonal1 = nullptr;  // 0x001
    QCheckBox* LeftDiagonal2 = nullptr;  // 0x002
    QCheckBox* LeftDiagonal3 = nullptr;  // 0x004
    QCheckBox* RightDiagonal1 = nullptr; // 0x100
    QCheckBox* RightDiagonal2 = nullptr; // 0x200
    QCheckBox* RightDiagonal3 = nullptr; // 0x400
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // The sum of the bits of the ticked boxes.
    uint32_t Flags() const;
};

} // namespace karvell
