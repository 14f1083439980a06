#pragma once
// The progress box "提示 – 正在处理：第 … 页" that the report runtime shows, modeless, while it
// builds the pages of a report.
#include <QDialog>

class QLabel;

namespace karvell {

class TREPmessform : public QDialog {
    Q_OBJECT
public:
    explicit TREPmessform(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // the page number (red)
    QLabel* Label2 = nullptr; // "正在处理："
    QLabel* Label3 = nullptr; // "第"
    QLabel* Label4 = nullptr; // "页"

    // Shows the box centred on the screen and lets it paint before the work starts.
    void ShowCentred();
};

} // namespace karvell
