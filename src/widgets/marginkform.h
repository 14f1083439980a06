#pragma once
// Page setup on a live report grid (the designer's and the template editor's): the four
// margins in millimetres and the printer setup. Saving is left to the caller.
#include "pellamform.h"

class QDoubleSpinBox;

namespace karvell {

class TMarginkForm : public TPellamForm {
    Q_OBJECT
public:
    // Shows the dialog modally on the grid's margins after handing the grid's paper to the
    // printer. Answers 1 when confirmed (the margins are then set on the grid), else 2. The
    // caller, on 1, takes the page size again from the printer and marks its document unsaved.
    // Throws KarvellError (before showing anything) when there is no printer.
    // With `formOffsetMm` the dialog also shows the form offset for pre-printed paper
    // (millimetres right and down), and on 1 answers the values confirmed there.
    static int ExecutePageSetup(QWidget* owner, TReportDocument* grid,
                                QPointF* formOffsetMm = nullptr);

    QDoubleSpinBox* OffsetX = nullptr; // only with a form offset
    QDoubleSpinBox* OffsetY = nullptr;

    // "设置…": the printer setup dialog; its outcome changes nothing here.
    void SpeedButton2Click();

protected:
    explicit TMarginkForm(QWidget* owner);
    void AddOffsetControls(QPointF offsetMm);
};

} // namespace karvell
