#pragma once
// The split dialog "拆分单元格": the number of cells to split the current cell into, 2 to 50.
#include <QDialog>

class QGroupBox;
class QPushButton;
class QSpinBox;

namespace karvell {

class TVSplitForm : public QDialog {
    Q_OBJECT
public:
    explicit TVSplitForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QSpinBox* VSplitCount = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    int Count() const;
};

} // namespace karvell
