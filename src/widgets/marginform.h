#pragma once
// Page setup on a template file (the preview's): the dialog loads the file into a hidden grid,
// shows its margins, and writes the file back when the user confirms. SetupDone tells the
// caller whether the pages must be rebuilt.
#include <QString>
#include <memory>

#include "pellamform.h"

namespace karvell {

class TReportControl;

class TMarginForm : public TPellamForm {
    Q_OBJECT
public:
    // The dialog for the file, loaded and filled, its paper handed to the printer; not shown
    // yet. Errors (file, printer) throw KarvellError and no dialog remains.
    static std::unique_ptr<TMarginForm> CreateForFile(QWidget* owner, const QString& fileName);

    TReportControl* ReportControl1 = nullptr; // hidden
    QString FileName;
    bool SetupDone = false;

    // OK: page size from the printer, the margins, save the file, empty the grid; done.
    void BitBtn1Click();
    // Cancel: not done.
    void BitBtn2Click();
    // "设置…": done exactly when the printer setup was confirmed; the dialog stays open.
    void SpeedButton2Click();

protected:
    explicit TMarginForm(QWidget* owner);
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace karvell
