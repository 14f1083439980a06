#pragma once
// The windows of the report runtime: its progress box, the preview window and the page-setup
// dialog for its template file. Install one with RuntimeUi::SetInstance in every program that
// shows windows.
#include <QHash>
#include <QPointer>

#include "runtime/reportruntime.h"

namespace karvell {

class TREPmessform;

class WidgetRuntimeUi : public RuntimeUi {
public:
    WidgetRuntimeUi() = default;
    ~WidgetRuntimeUi() override;

    void ShowProgress(TReportRunTime* runtime) override;
    void CloseProgress(TReportRunTime* runtime) override;
    void RunPreviewWindow(TReportRunTime* runtime, bool previewMode, int detailIndex,
                          bool forPreview) override;
    bool PageSetupForFile(TReportRunTime* runtime, const QString& fileName) override;
    void ShowRebuiltPages(TReportRunTime* runtime) override;
    // The template editor owned by the runtime, on its ReportFile when set, modally; it is
    // destroyed when it closes.
    void OpenDesigner(TReportRunTime* runtime) override;

    // The runtime's progress box (made on first use, destroyed with the runtime).
    TREPmessform* ProgressForm(TReportRunTime* runtime);

private:
    QHash<TReportRunTime*, QPointer<TREPmessform>> m_progress;
};

} // namespace karvell
