#pragma once
// The information box "Karvell报表模版工具": the credits of the report component and OK.
#include <QDialog>

class QLabel;
class QPushButton;

namespace karvell {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* Credits = nullptr;
    QPushButton* BitBtn1 = nullptr; // "确定"
};

} // namespace karvell
