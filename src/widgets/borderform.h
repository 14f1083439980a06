#pragma once
// The border dialog "边框线": a check box and a line width (1 or 2) for each side of a cell.
// The caller fills the eight controls from the current cell and reads them after OK.
#include <QDialog>
#include <QSpinBox>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace karvell {

// A line width box: 1 to 2. A value outside is brought into range when it is set or the box is
// left; a text that is not a whole number counts as 1.
class TBorderSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TBorderSpinEdit(QWidget* parent = nullptr);
    // The value of the text as it stands now, in range.
    int Value() const;
    void SetValue(int value);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& text) const override;
};

struct BorderValues {
    bool left = true, top = true, right = true, bottom = true;
    int leftWidth = 1, topWidth = 1, rightWidth = 1, bottomWidth = 1;
};

class TBorderForm : public QDialog {
    Q_OBJECT
public:
    explicit TBorderForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* TopLine = nullptr;
    QCheckBox* BottomLine = nullptr;
    QCheckBox* LeftLine = nullptr;
    QCheckBox* RightLine = nullptr;
    TBorderSpinEdit* SpinEdit1 = nullptr; // left width
    TBorderSpinEdit* SpinEdit2 = nullptr; // top width
    TBorderSpinEdit* SpinEdit3 = nullptr; // right width
    TBorderSpinEdit* SpinEdit4 = nullptr; // bottom width
    QPushButton* SpeedButton1 = nullptr;  // "添加全部"
    QPushButton* SpeedButton2 = nullptr;  // "取消全部"
    QPushButton* BitBtn1 = nullptr;       // "确定"
    QPushButton* BitBtn2 = nullptr;       // "取消"

    void SetValues(const BorderValues& v);
    BorderValues Values() const;

    void SpeedButton1Click(); // ticks all four boxes
    void SpeedButton2Click(); // clears all four boxes
};

} // namespace karvell
