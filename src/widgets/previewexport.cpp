// The preview's 导出… button: the pages through one of the output path's export formats.
#include <QDir>
#include <QFileInfo>
#include <QVariantMap>

#include "output/exportformats.h"
#include "platform/messages.h"
#include "previewform.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

namespace karvell {

void TPreviewForm::ExportBtnClick() {
    ReportControl1->CancelEdit();
    TReportRunTime* runtime = OwnerRunTime();
    const QString title = runtime && !runtime->ReportFile().isEmpty()
                              ? QFileInfo(runtime->ReportFile()).completeBaseName()
                              : QStringLiteral("Danmere");

    QVariantMap ask;
    ask.insert(QStringLiteral("file"), title);
    ask.insert(QStringLiteral("title"), QStringLiteral("导出"));
    ask.insert(QStringLiteral("askType"), true);
    const std::optional<QVariant> answer =
        MessageService::Instance().Dialog(DialogKind::SaveFile, ask, ExportFilter());
    if (!answer) return;
    const QVariantMap chosen = answer->toMap();
    const QString file = chosen.value(QStringLiteral("file")).toString();
    const qsizetype type = chosen.value(QStringLiteral("type")).toInt();
    if (file.isEmpty()) return;
    const TExportFormat& format =
        ExportFormats()[type >= 0 && type < ExportFormats().size() ? type : 0];

    QStringList warnings;
    TExportRequest request;
    request.path = WithExportSuffix(format, file);
    request.title = title;
    request.onWarning = [&warnings](const QString& w) { warnings << w; };
    // A single page is written as shown (edits made in the preview included), as printing does.
    if (!ShowsStreams || PageCount == 1) {
        ExportDocument(format, request, *ReportControl1);
    } else {
        // The runtime's number cells belong to its pages only while they are the ones shown.
        if (runtime && runtime->PageNumberCells.size() == Pages.size())
            request.numberCells = &runtime->PageNumberCells;
        ExportPages(format, request, Pages);
    }
    QString text = QStringLiteral("已导出到 %1").arg(QDir::toNativeSeparators(request.path));
    if (!warnings.isEmpty()) text += QStringLiteral("（%1）").arg(warnings.join(u'；'));
    ShowNote(text);
}

} // namespace karvell
