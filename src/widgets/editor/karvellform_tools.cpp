// The template editor's table commands, cell property dialogs, formatting bar, number formats,
// report functions, pictures and the grid's mouse press. Each collects the user's choice,
// checks that a cell is at hand where it needs one, calls the grid's operation and keeps
// ReportSaved.
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QVariantMap>
#include <memory>

#include "celldialogs.h"
#include "colorform.h"
#include "diagonalform.h"
#include "editor/karvellform.h"
#include "formatbar.h"
#include "newtableform.h"
#include "pagescrollbox.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "render/colorref.h"
#include "reportcontrol.h"
#include "vsplitform.h"

namespace karvell {
namespace {

const char* const kPictureFilter = "Bitmaps (*.bmp;*.jpg;*.jpeg;*.icon)|*.bmp;*.jpg;*.ico|*.bmp|"
                                   "*.bmp|*.jpg|*.jpg|*.jpeg|*.jpeg|*.ico|*.ico";

// StrToInt: an optionally signed decimal number and nothing else, else a conversion error.
int ToInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || text.trimmed().isEmpty())
        throw KarvellError(QStringLiteral("“%1”不是有效的整数值").arg(text));
    return value;
}

} // namespace

bool TKarvellForm::RequireFocusCell() {
    if (ReportControl1->FocusCell) return true;
    ShowMessage(QStringLiteral("警告"), QStringLiteral("请选择单元格!!!"), MsgIcon::Warning,
                MsgButtons::Ok);
    return false;
}

bool TKarvellForm::RequireCellForPicture() {
    if (ReportControl1->LastSelectedCell) return true;
    ShowMessage(ApplicationTitle(), QStringLiteral("请先选择单元格"), MsgIcon::None,
                MsgButtons::Ok);
    return false;
}

void TKarvellForm::NewTableClick() {
    const auto dialog = std::make_unique<TfrmNewTable>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    const int columns = ToInteger(dialog->Edit2->text());
    const int lines = ToInteger(dialog->Edit1->text());
    const qsizetype before = ReportControl1->Lines.size();
    if (!ReportControl1->NewTable(columns, lines)) {
        ShowMessage(QStringLiteral("警告"), CloseBeforeNewTableText(), MsgIcon::Warning);
        return;
    }
    // A table made is a change to keep.
    if (ReportControl1->Lines.size() != before) {
        ReportSaved = false;
        ReportControl1->History().Clear(false); // a new table starts a new history
    }
    CenterGrid();
}

void TKarvellForm::InsertLineClick() {
    ReportControl1->InsertLine();
    ReportSaved = false;
}

void TKarvellForm::AddLineClick() {
    if (!ReportControl1->LastSelectedCell) return;
    ReportControl1->AddLine();
    ReportSaved = false;
}

void TKarvellForm::DeleteLineClick() {
    ReportControl1->DeleteLine();
    ReportSaved = false;
}

void TKarvellForm::InsertCellClick() {
    ReportControl1->InsertCell();
    ReportSaved = false;
}

void TKarvellForm::AddCellClick() {
    ReportControl1->AddCell();
    ReportSaved = false;
}

void TKarvellForm::DeleteCellClick() {
    ReportControl1->DeleteCell();
    ReportSaved = false;
}

void TKarvellForm::CombineCellsClick() {
    ReportControl1->CombineCell();
    ReportSaved = false;
}

void TKarvellForm::SplitCellClick() {
    ReportControl1->SplitCell();
    ApplyBarFont();
    ReportSaved = false;
}

void TKarvellForm::VSplitCellClick() {
    if (!ReportControl1->LastSelectedCell) return;
    const auto dialog = std::make_unique<TVSplitForm>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    ReportControl1->VSplitCell(dialog->Count());
    ReportSaved = false;
}

void TKarvellForm::CellBorderLineClick() {
    if (!RequireFocusCell()) return;
    RunBorderDialog(this, *ReportControl1, *ReportControl1->FocusCell);
    // The border command marks the template unsaved once its dialog has closed, also after
    // Cancel.
    ReportSaved = false;
}

void TKarvellForm::CellDiagonalLineClick() {
    if (!ReportControl1->LastSelectedCell) return;
    const auto dialog = std::make_unique<TDiagonalForm>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    ReportControl1->SetSelDiagonal(dialog->Flags());
    ReportSaved = false;
}

void TKarvellForm::CellFontClick() {
    if (!RequireFocusCell()) return;
    // Face and size come from the selected font; style and colour are what was last chosen.
    LOGFONTA start = m_fontDialogFont;
    const LOGFONTA sizeOnly =
        BarLogFont(FaceName(ReportControl1->SelectedFont),
                   PointSizeOf(ReportControl1->SelectedFont), false, false, false);
    SetFaceName(start, FaceName(ReportControl1->SelectedFont));
    start.lfHeight = sizeOnly.lfHeight;
    if (!RunFontDialog(*ReportControl1, start, m_fontDialogColor)) return;
    m_fontDialogFont = start;
    ReportSaved = false;
}

void TKarvellForm::CellColorClick() {
    if (!RequireFocusCell()) return;
    const auto dialog = std::make_unique<TColorForm>(this);
    if (dialog->exec() != QDialog::Accepted) return;
    ReportControl1->SetSelColors(dialog->ForeColor(), dialog->BackColor());
    ReportSaved = false;
}

void TKarvellForm::ApplyBarFont() {
    if (!ReportControl1->LastSelectedCell) return;
    // One LOGFONT rule for both windows' formatting bars; the text colour is not touched.
    ReportControl1->SetSelFont(Panel4->BarLogFont());
    ReportSaved = false;
}

void TKarvellForm::fontboxChange() {
    ApplyBarFont();
}

void TKarvellForm::fontsizeChange() {
    ApplyBarFont();
}

void TKarvellForm::left1Click() {
    ReportControl1->SetSelAlign(Panel4->HorzAlignValue(), Panel4->VertAlignValue());
    ReportSaved = false;
}

void TKarvellForm::CellDispFormtChange(int index) {
    if (!ReportControl1->LastSelectedCell) return;
    if (index >= CellDispFormt->count()) return;
    // -1: the text typed into the box (applied by Enter).
    const QString format =
        index < 0 ? CellDispFormt->currentText() : CellDispFormt->itemText(index);
    ReportControl1->SetSelDispFormat(Gbk::Encode(format));
    ReportSaved = false;
}

void TKarvellForm::LsumChange(int index) {
    TReportCell* current = ReportControl1->LastSelectedCell;
    if (!current || !ReportControl1->IsCellSelected(current)) return;
    if (index < 0 || index >= Lsum->count()) return;
    ReportControl1->SetSelText(QByteArray("`") + Gbk::Encode(Lsum->itemText(index)));
    ApplyBarFont();
    ReportSaved = false;
}

void TKarvellForm::SpeedButton10Click() {
    if (!RequireCellForPicture()) return;
    // Any error while choosing or loading the picture is swallowed: nothing changes then.
    try {
        const std::optional<QVariant> answer = MessageService::Instance().Dialog(
            DialogKind::OpenPicture, QVariant(QString()), QString::fromLatin1(kPictureFilter));
        if (!answer || answer->toString().isEmpty()) return;
        ReportControl1->LoadCellPicture(ReportControl1->LastSelectedCell, answer->toString());
    } catch (...) {
        return;
    }
    ReportControl1->update();
    ReportSaved = false;
}

void TKarvellForm::SpeedButton16Click() {
    if (!RequireCellForPicture()) return;
    ReportControl1->ClearCellPicture(ReportControl1->LastSelectedCell);
    ReportControl1->hide();
    CenterGrid();
    ReportControl1->show();
    ReportSaved = false;
}

void TKarvellForm::SyncBar() {
    Panel3->setEnabled(false);
    Panel4->setEnabled(false);
    struct Enable {
        TKarvellForm* form;
        ~Enable() {
            form->Panel3->setEnabled(true);
            form->Panel4->setEnabled(true);
        }
    } enableAgain{this};
    const TReportCell* cell = ReportControl1->LastSelectedCell;
    if (!cell) return;
    Panel4->ShowCell(*cell); // alignment, style, face, size: sends nothing
    CellDispFormt->setEditText(Gbk::Decode(cell->CellDispFormat));
}

void TKarvellForm::ReportControl1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    // The menu runs until it is done; then the grid applies its context-menu rule.
    if (button == Qt::RightButton) PopupMenu1->exec(QCursor::pos());
    if (button == Qt::LeftButton) SyncBar();
}

} // namespace karvell
