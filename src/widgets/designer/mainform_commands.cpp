// The designer's commands: each collects the user's choice (a dialog, the formatting bar) and
// calls the grid's operation on the selection; every command that changes the document marks
// it unsaved once it has acted, saving marks it saved.
#include <QCursor>
#include <QMenu>
#include <QToolBar>
#include <QVariantMap>
#include <memory>

#include "borderform.h"
#include "celldialogs.h"
#include "colorform.h"
#include "formatbar.h"
#include "mainform.h"
#include "marginkform.h"
#include "platform/messages.h"
#include "render/colorref.h"
#include "reportcontrol.h"
#include "templatename.h"
#include "vsplitform.h"

namespace karvell {
namespace {

// The picture dialog's filter, as the design gives it.
const char* const kPictureFilter =
    "图像文件 （*.bmp;*.jpg;*.jpeg;*.icon）|*.bmp;*.jpg;*.ico|BMP （*.bmp）|*.bmp|"
    "JPG （*.jpg）|*.jpg|JPEG （*.jpeg）|*.jpeg|ICO （*.ico）|*.ico";

} // namespace

bool TMainForm::RequireFocusCell() {
    if (ReportControlMain->FocusCell) return true;
    ShowMessage(QStringLiteral("警告"), QStringLiteral("请选择单元格!!!"), MsgIcon::Warning,
                MsgButtons::Ok);
    return false;
}

bool TMainForm::RequireCellForPicture() {
    if (ReportControlMain->LastSelectedCell) return true;
    ShowMessage(ApplicationTitle(), QStringLiteral("请先选择单元格"), MsgIcon::None,
                MsgButtons::Ok);
    return false;
}

void TMainForm::file_saveClick() {
    ReportControlMain->SaveToFile(TemplatePath(StartDir, FormatName));
    FileSaved = true;
    // Undoing back to here counts as saved again; the history itself stays.
    ReportControlMain->History().MarkSaved();
}

void TMainForm::file_print_setupClick() {
    if (TMarginkForm::ExecutePageSetup(this, ReportControlMain) != 1) return;
    // The page size is taken again from the printer.
    ReportControlMain->CachedPageWidth = 0;
    ReportControlMain->UpdatePageSize();
    FileSaved = false;
}

void TMainForm::file_exitClick() {
    close();
}

void TMainForm::table_insertClick() {
    ReportControlMain->InsertLine();
    FileSaved = false;
}

void TMainForm::table_addClick() {
    if (!ReportControlMain->LastSelectedCell) return;
    ReportControlMain->AddLine();
    FileSaved = false;
}

void TMainForm::table_deleteClick() {
    ReportControlMain->DeleteLine();
    FileSaved = false;
}

void TMainForm::table_combineClick() {
    ReportControlMain->CombineCell();
    FileSaved = false;
}

void TMainForm::table_splitClick() {
    if (!ReportControlMain->LastSelectedCell) return;
    const auto dialog = std::make_unique<TVSplitForm>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    ReportControlMain->VSplitCell(dialog->Count());
    FileSaved = false;
}

void TMainForm::table_fontClick() {
    if (!RequireFocusCell()) return;
    TReportControl* grid = ReportControlMain;
    // The dialog opens on the face and point size of the selected font (not its style) and on
    // the colour last chosen in it, as the plain RGB value the platform's dialog works with.
    LOGFONTA start = BarLogFont(FaceName(grid->SelectedFont), PointSizeOf(grid->SelectedFont),
                                false, false, false);
    if (!RunFontDialog(*grid, start, m_fontDialogColor)) return;
    FileSaved = false;
}

void TMainForm::table_colorClick() {
    if (!RequireFocusCell()) return;
    const auto dialog = std::make_unique<TColorForm>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    ReportControlMain->SetSelColors(dialog->ForeColor(), dialog->BackColor());
    FileSaved = false;
}

void TMainForm::table_borderClick() {
    if (!RequireFocusCell()) return;
    if (!RunBorderDialog(this, *ReportControlMain, *ReportControlMain->FocusCell)) return;
    FileSaved = false;
}

void TMainForm::fontboxChange() {
    if (!ReportControlMain->LastSelectedCell) return;
    ReportControlMain->SetSelFont(Panel1->BarLogFont());
    FileSaved = false;
}

void TMainForm::leftClick() {
    ReportControlMain->SetSelAlign(Panel1->HorzAlignValue(), Panel1->VertAlignValue());
    FileSaved = false;
}

void TMainForm::table_image_addClick() {
    if (!RequireCellForPicture()) return;
    // Any error while choosing or loading the picture is swallowed: nothing changes then.
    try {
        const std::optional<QVariant> answer = MessageService::Instance().Dialog(
            DialogKind::OpenPicture, QVariant(QString()), QString::fromUtf8(kPictureFilter));
        if (!answer) return;
        ReportControlMain->LoadCellPicture(ReportControlMain->LastSelectedCell, answer->toString());
    } catch (...) {
        return;
    }
    ReportControlMain->update();
    FileSaved = false;
}

void TMainForm::table_image_deleteClick() {
    if (!RequireCellForPicture()) return;
    ReportControlMain->ClearCellPicture(ReportControlMain->LastSelectedCell);
    ReportControlMain->hide();
    ScrollBoxMainResize();
    ReportControlMain->show();
    FileSaved = false;
}

void TMainForm::ShowFocusCell() {
    ToolBar1->setEnabled(false);
    Panel1->setEnabled(false);
    try {
        if (const TReportCell* cell = ReportControlMain->FocusCell) Panel1->ShowCell(*cell);
    } catch (...) {
        ToolBar1->setEnabled(true);
        Panel1->setEnabled(true);
        throw;
    }
    ToolBar1->setEnabled(true);
    Panel1->setEnabled(true);
}

void TMainForm::ReportControlMainMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button == Qt::LeftButton) {
        ShowFocusCell();
    } else if (button == Qt::RightButton) {
        // At once, so a field chosen goes into the cell that is current now; the menu runs
        // until it is done, then the grid applies its context-menu rule.
        PopupMenu1->exec(QCursor::pos());
    }
}

} // namespace karvell
