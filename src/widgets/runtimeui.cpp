#include "runtimeui.h"

#include <QScopeGuard>
#include <QToolButton>
#include <memory>

#include "commandguard.h"
#include "editor/karvellform.h"
#include "marginform.h"
#include "previewform.h"
#include "repmessform.h"
#include "reportcontrol.h"

namespace karvell {

WidgetRuntimeUi::~WidgetRuntimeUi() {
    for (const QPointer<TREPmessform>& form : std::as_const(m_progress))
        delete form.data();
}

TREPmessform* WidgetRuntimeUi::ProgressForm(TReportRunTime* runtime) {
    QPointer<TREPmessform>& form = m_progress[runtime];
    if (!form) {
        auto* box = new TREPmessform;
        form = box;
        // The box belongs to the runtime: it goes when the runtime goes.
        QObject::connect(runtime, &QObject::destroyed, box, [this, runtime, box] {
            m_progress.remove(runtime);
            box->deleteLater();
        });
    }
    return form;
}

void WidgetRuntimeUi::ShowProgress(TReportRunTime* runtime) {
    ProgressForm(runtime)->ShowCentred();
}

void WidgetRuntimeUi::CloseProgress(TReportRunTime* runtime) {
    const auto it = m_progress.constFind(runtime);
    if (it != m_progress.constEnd() && *it) (*it)->hide();
}

void WidgetRuntimeUi::RunPreviewWindow(TReportRunTime* runtime, bool previewMode, int detailIndex,
                                       bool forPreview) {
    // One window per run, destroyed also when the run fails.
    auto form = std::make_unique<TPreviewForm>(runtime);
    runtime->PreviewWindow = form.get();
    const auto forget = qScopeGuard([&] {
        form->ReportControl1->ShowingPages = false;
        runtime->PreviewWindow = nullptr;
    });
    form->SetAllowEdit(runtime->EnableEdit());
    form->SetEditEptFlag(runtime->EditEpt());
    form->SetTag(detailIndex);
    if (forPreview) {
        // Preview driven by SetData cannot print; its column widths go back into the pages.
        form->PrintSetupBtn->setEnabled(false);
        form->PrintBtn->setEnabled(false);
        form->SetPreviewMode(true);
        form->ReportControl1->WidthLineCount = runtime->SumAllLineIndex;
        form->ReportControl1->ShowingPages = true;
    } else {
        form->SetPreviewMode(previewMode);
        form->PrintDirect = runtime->PrintDirect;
    }
    form->RunPreview(runtime->PageStreams);
}

bool WidgetRuntimeUi::PageSetupForFile(TReportRunTime* runtime, const QString& fileName) {
    QWidget* owner = runtime ? qobject_cast<QWidget*>(runtime->PreviewWindow) : nullptr;
    std::unique_ptr<TMarginForm> dialog = TMarginForm::CreateForFile(owner, fileName);
    dialog->exec();
    return dialog->SetupDone;
}

void WidgetRuntimeUi::ShowRebuiltPages(TReportRunTime* runtime) {
    if (auto* form = qobject_cast<TPreviewForm*>(runtime->PreviewWindow)) {
        form->SetPages(runtime->PageStreams);
        form->ShowPage();
    }
}

void WidgetRuntimeUi::OpenDesigner(TReportRunTime* runtime) {
    auto editor = std::make_unique<TKarvellForm>(runtime);
    const QString file = runtime ? runtime->ReportFile() : QString();
    if (!file.isEmpty()) {
        // A file that cannot be read is reported; the editor still opens.
        RunGuarded([&] {
            if (editor->OpenReport(file)) editor->UpdateOldies(file);
        });
    }
    editor->ShowModal();
}

} // namespace karvell
