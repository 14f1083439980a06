#pragma once
// The base of the two page-setup dialogs. It can only be made through CreateDialog, so each
// dialog is built by a class operation that takes what the dialog works on; the plain
// constructor refuses. The helpers here build the controls both dialogs share and hand a
// template's paper to the current printer.
#include <QDialog>
#include <QSpinBox>

class QGroupBox;
class QLabel;
class QPushButton;

namespace karvell {

class TReportDocument;

// A margin box: whole millimetres without bounds. Digits, signs and the decimal separator may
// be typed; a text that is not a whole number ("", "-", "1.5") counts as 0.
class TMarginSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TMarginSpinEdit(QWidget* parent = nullptr);
    // The value of the text as it stands now.
    int Value() const;
    void SetValue(int value);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& text) const override;
};

class TPellamForm : public QDialog {
    Q_OBJECT
public:
    // The standard constructor: always fails with "不允许调用该方法" and makes no dialog.
    explicit TPellamForm(QWidget* owner);
    // The second constructor: the form as designed (a plain dialog without controls).
    static TPellamForm* CreateDialog(QWidget* owner);

    // The controls the two page-setup dialogs share, after BuildPageSetupControls.
    QGroupBox* GroupBox1 = nullptr;
    TMarginSpinEdit* TopMargin = nullptr;
    TMarginSpinEdit* BottomMargin = nullptr;
    TMarginSpinEdit* LeftMargin = nullptr;
    TMarginSpinEdit* RightMargin = nullptr;
    QPushButton* SpeedButton2 = nullptr; // "设置…": the printer setup dialog
    QPushButton* BitBtn1 = nullptr;      // "确定"
    QPushButton* BitBtn2 = nullptr;      // "取消"
    QLabel* UnitLabel = nullptr;         // "单位：毫米"

    // The margins of a document into the boxes, and the boxes' values.
    void FillMargins(const TReportDocument& document);
    int LeftValue() const;
    int TopValue() const;
    int RightValue() const;
    int BottomValue() const;

    // Copies the document's paper (size code, orientation, length, width) into the current
    // printer's DEVMODE, so that the printer setup dialog opens on it. Throws KarvellError when
    // there is no printer.
    static void WritePaperToPrinter(const TReportDocument& document);
    // The printer setup dialog on the current printer; true when the user confirmed it.
    static bool RunPrinterSetup();

protected:
    struct DesignTag {};
    TPellamForm(QWidget* owner, DesignTag);
    // Builds the group box "页面设置" with the margin rows and the paper button, the OK and
    // cancel buttons and the unit note; title "页面设置".
    void BuildPageSetupControls();
};

} // namespace karvell
