#include "pages.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QObject>
#include <mutex>

#include "model/documentjson.h"
#include "model/reportdocument.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "output/xlsxsink.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "runtime/reportruntime.h"
#include "runtime/templatefields.h"

namespace karvell::python {
namespace {

// Boxes the runtime would show are kept: the call raises the first one that ends it.
class RecordingMessages : public MessageService {
public:
    MsgResult Show(const QString&, const QString& text, MsgIcon, MsgButtons) override {
        texts.append(text);
        return MsgResult::Ok;
    }
    std::optional<QVariant> Dialog(DialogKind, const QVariant&, const QString&) override {
        return std::nullopt;
    }
    QStringList texts;
};

// One call into the runtime at a time, with its boxes recorded.
class RuntimeCall {
public:
    RuntimeCall() : m_lock(Mutex()) { MessageService::SetInstance(&messages); }
    ~RuntimeCall() { MessageService::SetInstance(nullptr); }
    RuntimeCall(const RuntimeCall&) = delete;
    RuntimeCall& operator=(const RuntimeCall&) = delete;
    RecordingMessages messages;

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    std::lock_guard<std::mutex> m_lock;
};

// Loads the template into `runtime`; a file that is no template throws the runtime's message.
void Load(TReportRunTime& runtime, const QByteArray& bytes, const QString& name) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    runtime.LoadTemplateFrom(buffer, name); // a damaged template throws
    if (!runtime.Outcome.TemplateIssue.isEmpty()) throw KarvellError(runtime.Outcome.TemplateIssue);
}

} // namespace

void CheckTemplate(const QByteArray& bytes, const QString& name) {
    RuntimeCall call;
    TReportRunTime runtime;
    Load(runtime, bytes, name);
}

QByteArray DumpTemplate(const QByteArray& bytes, const QString& name) {
    RuntimeCall call;
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TReportDocument doc;
    if (!doc.LoadFromStream(buffer, 0))
        throw KarvellError(
            QStringLiteral("“%1”不是报表模板文件（%2）").arg(name, call.messages.texts.value(0)));
    return QJsonDocument(DocumentToJson(doc)).toJson(QJsonDocument::Compact);
}

std::unique_ptr<Pages> Pages::Expand(const ExpandRequest& request) {
    RuntimeCall call;
    // The data sets belong to a data module, as the designer's queries do, and go with it.
    QObject module;
    module.setObjectName(QStringLiteral("DataModule1"));
    auto* runtime = new TReportRunTime(&module);
    Load(*runtime, request.templateBytes, request.templateName);
    runtime->SetAddSpace(request.addSpace);
    runtime->KeepNumberCells = true; // for SaveXlsx
    for (const RowTable& table : request.tables) {
        TDataSet* data = MakeDataSet(table, TemplateFields(*runtime, table.name), &module);
        runtime->SetDataSet(Gbk::Encode(table.name), data);
    }
    for (const auto& [name, value] : request.variables)
        runtime->SetVarValue(Gbk::Encode(name), Gbk::Encode(value));
    const QStringList missing = MissingDataSets(*runtime);
    if (!missing.isEmpty())
        throw KarvellError(
            QStringLiteral("模板使用的数据集没有给出：%1").arg(missing.join(QStringLiteral("、"))));
    if (!RequirePrinter()) throw KarvellError(call.messages.texts.value(0));

    std::unique_ptr<Pages> pages(new Pages());
    runtime->OnWarning = [&pages](const QString& warning) { pages->m_warnings.append(warning); };
    // A count pass, then the pass that builds the pages; a run that stops early leaves
    // nothing.
    const int count = runtime->BuildPages(false, 0);
    if (runtime->Outcome.RunIssue.isEmpty()) runtime->BuildPages(true, count);
    if (!runtime->Outcome.RunIssue.isEmpty()) throw KarvellError(runtime->Outcome.RunIssue);
    // What a window would show in a box (a malformed total in the template) is a warning here.
    pages->m_warnings.append(std::exchange(runtime->Outcome.Notes, {}));
    pages->m_pages = std::exchange(runtime->PageStreams, {});
    pages->m_numberCells = std::exchange(runtime->PageNumberCells, {});
    return pages;
}

Pages::~Pages() {
    qDeleteAll(m_pages);
}

void Pages::RequirePages() const {
    if (m_pages.isEmpty()) throw KarvellError(QStringLiteral("没有生成任何页面；未写入任何文件"));
}

void Pages::SavePdf(const QString& path) const {
    RequirePages();
    RuntimeCall call;
    TPdfSink sink(path, QFileInfo(path).completeBaseName(), PdfResolution());
    TPageWriter writer(sink);
    writer.Write(m_pages);
    sink.Finish();
}

void Pages::SaveXlsx(const QString& path) const {
    RequirePages();
    RuntimeCall call;
    TXlsxSink sink(path, QFileInfo(path).completeBaseName());
    sink.SetNumberCells(&m_numberCells);
    TPageWriter writer(sink);
    writer.Write(m_pages);
    sink.Finish();
}

} // namespace karvell::python
