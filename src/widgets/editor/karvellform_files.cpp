// The template editor's files: opening, saving, saving under a new name, closing the template,
// the close question, the recent-file list and the settings of "Lunvane.ini".
#include <QMenu>
#include <QVariantMap>
#include <memory>

#include "aboutform.h"
#include "commandguard.h"
#include "editor/karvellform.h"
#include "editorstate/recentfiles.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "reportcontrol.h"

namespace karvell {
namespace {

const char* const kOpenFilter = "Lunvane Files (*.ept)|*.ept|All Files (*.*)|*.*";
const char* const kSaveFilter = "Lunvanefile (*.ept)|*.ept|All Files (*.*)|*.*";

std::optional<QString> AskFile(DialogKind kind, const QString& title, const QString& file,
                               const QString& defaultSuffix, const char* filter) {
    QVariantMap request;
    request.insert(QStringLiteral("file"), file);
    request.insert(QStringLiteral("title"), title);
    if (!defaultSuffix.isEmpty()) request.insert(QStringLiteral("defaultSuffix"), defaultSuffix);
    const std::optional<QVariant> answer =
        MessageService::Instance().Dialog(kind, QVariant(request), QString::fromLatin1(filter));
    if (!answer || answer->toString().isEmpty()) return std::nullopt;
    return answer->toString();
}

} // namespace

void TKarvellForm::loadini() {
    SettingsFile = Lunvane::SettingsFile();
    Settings = Lunvane::LoadOther(SettingsFile);
    // Printing from the editor shifts by the form offset its page setup keeps.
    PrinterService::Instance().SetFormOffsetMm(Lunvane::LoadOffset(SettingsFile));
}

void TKarvellForm::SaveIni() {
    Lunvane::SaveOther(SettingsFile, Settings);
}

bool TKarvellForm::OpenReport(const QString& path, bool keepHistory) {
    // A file that is no template, or a damaged one, throws before anything changes: Save must
    // never point at a file that did not open.
    if (!ReportControl1->LoadFromFile(path)) return false;
    FileMode = true;
    CurrentFile = path;
    // What is shown now is the page at 100 %: the zoom steps start from there.
    ViewZoom = ReportControl1->Zoom;
    ReportSaved = true;
    if (keepHistory)
        ReportControl1->History().MarkSaved();
    else
        ReportControl1->History().Clear();
    setWindowTitle(path);
    return true;
}

bool TKarvellForm::MayDiscard() {
    if (ReportSaved) return true;
    return FormCloseQuery();
}

void TKarvellForm::FileOpenClick() {
    if (!MayDiscard()) return;
    const std::optional<QString> path = AskFile(
        DialogKind::OpenFile, QStringLiteral("打开Lunvane文件"), QString(), QString(), kOpenFilter);
    if (!path) return;
    if (!OpenReport(*path)) return;
    UpdateOldies(*path);
    ViewZoom = 100;
    ApplyView();
}

void TKarvellForm::N29Click() {
    if (!FileMode) return;
    if (CurrentFile.isEmpty()) {
        FileSaveClick();
        return;
    }
    ReportControl1->SaveToFile(CurrentFile);
    UpdateOldies(CurrentFile);
    ReportSaved = true;
    ReportControl1->History().MarkSaved(); // undoing back to here counts as saved
}

void TKarvellForm::FileSaveClick() {
    SaveAs();
}

bool TKarvellForm::SaveAs() {
    const std::optional<QString> path =
        AskFile(DialogKind::SaveFile, QStringLiteral("保存Lunvane文件"),
                FileMode ? CurrentFile : QString(), QStringLiteral(".ept"), kSaveFilter);
    if (!path) return false;
    ReportControl1->SaveToFile(*path);
    ReportSaved = true;
    // The grid shows the file as written; the undo history goes on.
    OpenReport(*path, true);
    UpdateOldies(*path);
    return true;
}

bool TKarvellForm::SaveForQuestion() {
    bool saved = false;
    RunGuarded([&] {
        if (CurrentFile.isEmpty()) {
            saved = SaveAs();
        } else {
            N29Click();
            saved = ReportSaved;
        }
    });
    return saved;
}

void TKarvellForm::FileCloseClick() {
    if (ShowMessage(QStringLiteral("警告"), QStringLiteral("确实要关闭报表吗？"), MsgIcon::None,
                    MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    FileMode = true;
    CurrentFile.clear();
    ReportControl1->LastSelectedCell = nullptr;
    ReportControl1->CancelEdit();
    ReportControl1->ResetContent();
    ReportControl1->History().Clear();
    // The page size is taken again from the printer.
    ReportControl1->CachedPageWidth = 0;
    ReportControl1->UpdatePageSize();
    CenterGrid();
    setWindowTitle(QStringLiteral("[无报表]"));
}

void TKarvellForm::FileExitClick() {
    close();
}

void TKarvellForm::SpeedButton7Click() {
    close();
}

bool TKarvellForm::FormCloseQuery() {
    if (ReportSaved) return true;
    switch (ShowMessage(QStringLiteral("注意"),
                        QStringLiteral("保存报表按“是”，不保存报表按“否”，取消本次操作按“取消”"),
                        MsgIcon::Warning, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        // Only a template really written lets the window (or the template) go.
        return SaveForQuestion();
    case MsgResult::No:
        return true;
    default:
        return false;
    }
}

void TKarvellForm::UpdateOldies(const QString& path) {
    // The view stays as it is shown: saving changes neither the zoom nor how clicks are read.
    RecentFiles(SettingsFile).Put(path);
}

void TKarvellForm::T1Click() {
    file1->clear();
    const QList<RecentFiles::Entry> entries = RecentFiles(SettingsFile).Rebuild();
    for (const RecentFiles::Entry& e : entries) {
        QString shown = e.path;
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* item = file1->addAction(QStringLiteral("&%1 %2").arg(e.number).arg(shown));
        item->setObjectName(QStringLiteral("RecentFile%1").arg(e.number));
        const int n = e.number;
        connect(item, &QAction::triggered, this, [this, n] { RunGuarded([&] { OpenRecent(n); }); });
    }
}

void TKarvellForm::OpenRecent(int n) {
    const QString path = RecentFiles(SettingsFile).PathOf(n);
    if (path.isEmpty()) return;
    if (!MayDiscard()) return;
    OpenReport(path);
}

void TKarvellForm::N33Click() {
    const auto about = std::make_unique<TfrmAbout>(this);
    about->exec();
}

} // namespace karvell
