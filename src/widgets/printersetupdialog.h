#pragma once
// The printer setup dialog of the page setup dialogs' "设置…" button: the installed printers
// (the system's queues and the built-in "PDF"), the paper and the orientation of the chosen
// one. Margins are the template's own and are set beside it, not here. Confirming makes the
// chosen printer the current printer for this run and writes paper and orientation into its
// DEVMODE.
#include <QDialog>

class QComboBox;
class QRadioButton;

namespace karvell {

class TPrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the current printer and its DEVMODE's paper and orientation. Throws KarvellError
    // "Could Not Initialize TdeviceMode Structure" when no printer is installed.
    explicit TPrinterSetupDialog(QWidget* parent = nullptr);

    QComboBox* PrinterBox = nullptr;
    QComboBox* PaperBox = nullptr;
    QRadioButton* Portrait = nullptr;
    QRadioButton* Landscape = nullptr;

    // The choice into the printer service; accepting the dialog (OK, Enter) does it.
    void ApplyChoice();
    void accept() override;
};

} // namespace karvell
