// karvell expand: fills a template from database queries or CSV and JSON files and expands it
// into pages, as the runtime's print preview does, then prints the pages as JSON or writes them
// as one PDF, as PNG images or as one spreadsheet.
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <cstdio>
#include <optional>

#include "adoquery.h"
#include "command.h"
#include "datasource.h"
#include "model/documentjson.h"
#include "model/limits.h"
#include "model/templatestream.h"
#include "ofdoutput.h"
#include "output/exportformats.h"
#include "output/pagespool.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "output/pngsink.h"
#include "output/xlsxsink.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/progress.h"
#include "platform/samefile.h"
#include "reportcontrol.h"
#include "runtime/components.h"
#include "runtime/reportruntime.h"
#include "runtime/templatefields.h"
#include "xlsxoutput.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell expand TEMPLATE [--db CONNECTION] [--dataset NAME=SQL|csv:FILE|json:FILE]... "
    "[--setdata LINE]... [--var NAME=VALUE]... [--add-space] (--json | --pdf OUT.pdf [--pdfa] | "
    "--png DIR | --xlsx OUT.xlsx | --ofd OUT.ofd)";

struct Options {
    QString templateFile;
    QString connection;
    QList<QPair<QString, QString>> dataSets; // name, SQL or csv:FILE / json:FILE
    QStringList setData;
    QList<QPair<QString, QString>> variables;
    bool addSpace = false;
    bool json = false;
    QString pdf;
    bool pdfa = false; // the PDF as PDF/A-1b
    QString pngDir;
    QString xlsx;
    QString ofd;
};

// "NAME=VALUE" with a non-empty name; the value may hold further "=".
bool SplitAssignment(const QString& text, QPair<QString, QString>* out) {
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0) return false;
    *out = {text.left(eq), text.mid(eq + 1)};
    return true;
}

bool ParseOptions(const QStringList& args, Options* o, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = a == QLatin1String("--db") || a == QLatin1String("--dataset") ||
                                a == QLatin1String("--setdata") || a == QLatin1String("--var") ||
                                a == QLatin1String("--pdf") || a == QLatin1String("--png") ||
                                a == QLatin1String("--xlsx") || a == QLatin1String("--ofd");
        if (takesValue && i + 1 >= args.size()) {
            *error = QStringLiteral("karvell expand: %1 needs a value").arg(a);
            return false;
        }
        QPair<QString, QString> pair;
        if (a == QLatin1String("--db")) {
            o->connection = args[++i];
        } else if (a == QLatin1String("--dataset")) {
            if (!SplitAssignment(args[++i], &pair)) {
                *error = QStringLiteral(
                    "karvell expand: --dataset needs NAME=SQL, NAME=csv:FILE or NAME=json:FILE");
                return false;
            }
            o->dataSets.append(pair);
        } else if (a == QLatin1String("--setdata")) {
            o->setData.append(args[++i]);
        } else if (a == QLatin1String("--var")) {
            if (!SplitAssignment(args[++i], &pair)) {
                *error = QStringLiteral("karvell expand: --var needs NAME=VALUE");
                return false;
            }
            o->variables.append(pair);
        } else if (a == QLatin1String("--add-space")) {
            o->addSpace = true;
        } else if (a == QLatin1String("--json")) {
            o->json = true;
        } else if (a == QLatin1String("--pdf")) {
            o->pdf = args[++i];
        } else if (a == QLatin1String("--pdfa")) {
            o->pdfa = true;
        } else if (a == QLatin1String("--png")) {
            o->pngDir = args[++i];
        } else if (a == QLatin1String("--xlsx")) {
            o->xlsx = args[++i];
        } else if (a == QLatin1String("--ofd")) {
            o->ofd = args[++i];
        } else if (a.startsWith(u'-')) {
            *error = QStringLiteral("karvell expand: unknown option '%1'").arg(a);
            return false;
        } else if (o->templateFile.isEmpty()) {
            o->templateFile = a;
        } else {
            *error = QStringLiteral("karvell expand: more than one template given");
            return false;
        }
    }
    const int outputs = int(o->json) + int(!o->pdf.isEmpty()) + int(!o->pngDir.isEmpty()) +
                        int(!o->xlsx.isEmpty()) + int(!o->ofd.isEmpty());
    if (o->templateFile.isEmpty() || outputs != 1) {
        *error = QStringLiteral("karvell expand: give a template and exactly one of --json, "
                                "--pdf, --png, --xlsx and --ofd");
        return false;
    }
    if (o->pdfa && o->pdf.isEmpty()) {
        *error = QStringLiteral("karvell expand: --pdfa goes with --pdf");
        return false;
    }
    for (const auto& [name, source] : std::as_const(o->dataSets)) {
        if (!IsFileSource(source) && o->connection.isEmpty()) {
            *error = QStringLiteral("karvell expand: --dataset NAME=SQL needs --db");
            return false;
        }
    }
    return true;
}

// Every box the model shows goes to stderr as usual and is kept for the JSON answer.
class RecordingMessages : public StderrMessages {
public:
    MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        texts.append(text);
        return StderrMessages::Show(title, text, icon, buttons);
    }
    QStringList texts;
};

void ReportRecords(TReportRunTime& runtime, ProgressReport& progress, const QString& label) {
    runtime.OnProgress = [&progress, label, begun = false](int placed, int total) mutable {
        if (!begun) progress.Begin(label, QStringLiteral("条记录"), total);
        begun = true;
        progress.Step(placed);
    };
}

QJsonObject PagesToJson(const TReportRunTime& runtime, int detailIndex,
                        const QStringList& messages) {
    QJsonArray pages;
    for (QBuffer* stream : runtime.PageStreams) {
        TemplateData page;
        QString error;
        if (ReadTemplate(*stream, 0, page, &error) != ReadStatus::Ok)
            throw KarvellError(QStringLiteral("karvell expand: 生成的页面无法读回：%1").arg(error));
        pages.append(DocumentToJson(page));
    }
    QJsonObject out;
    out[QStringLiteral("PageCount")] = int(runtime.PageStreams.size());
    out[QStringLiteral("DetailLineIndex")] = detailIndex;
    out[QStringLiteral("Messages")] = QJsonArray::fromStringList(messages);
    out[QStringLiteral("Pages")] = pages;
    return out;
}

// The PDF file: the formats the preview's export offers, so both write the same files.
std::unique_ptr<TPageSink> PdfOutput(const Options& o) {
    return FindExportFormat(o.pdfa ? QStringLiteral("PDF/A") : QStringLiteral("PDF"))
        ->make({o.pdf, QFileInfo(o.pdf).completeBaseName(), nullptr, {}});
}

// The produced pages through the output path into one PDF file, DIR/page-N.png or the
// spreadsheet sink made before the expansion.
void WritePages(const TReportRunTime& runtime, const TPageSpool& pages, const Options& o,
                const QStringList& inputs, ProgressReport& progress,
                std::unique_ptr<TXlsxSink> xlsx, std::unique_ptr<TOfdSink> ofd) {
    std::unique_ptr<TPageSink> sink;
    QString label;
    if (ofd) {
        sink = std::move(ofd);
        label = QStringLiteral("写入 OFD");
    } else if (xlsx) {
        xlsx->SetNumberCells(&runtime.PageNumberCells);
        sink = std::move(xlsx);
        label = QStringLiteral("写入电子表格");
    } else if (!o.pdf.isEmpty()) {
        sink = PdfOutput(o);
        label = QStringLiteral("写入 PDF");
    } else {
        for (int i = 0; i < pages.Count(); ++i)
            RefuseOutputOverInput(QStringLiteral("--png"),
                                  QDir(o.pngDir).filePath(QStringLiteral("page-%1.png").arg(i + 1)),
                                  inputs);
        sink = std::make_unique<TPngSink>(o.pngDir);
        label = QStringLiteral("写入图像");
    }
    TPageWriter writer(*sink);
    writer.SetProgress(&progress, label);
    writer.Write(pages);
    sink->Finish();
}

int RunExpand(const QStringList& args) {
    Options o;
    QString error;
    if (!ParseOptions(args, &o, &error)) {
        PrintError(error + u'\n' + QString::fromLatin1(kUsage));
        return 1;
    }
    // Nothing is written over the template or the database.
    QStringList inputs = {o.templateFile, ConnectionDatabaseFile(o.connection)};
    for (const auto& [name, source] : std::as_const(o.dataSets))
        if (IsFileSource(source)) inputs << SourceFile(source);
    if (!o.pdf.isEmpty()) RefuseOutputOverInput(QStringLiteral("--pdf"), o.pdf, inputs);
    // A spreadsheet that cannot be saved is known before any query runs.
    std::unique_ptr<TXlsxSink> xlsx =
        OpenXlsxOutput(o.xlsx, QFileInfo(o.xlsx).completeBaseName(), inputs);
    std::unique_ptr<TOfdSink> ofd =
        OpenOfdOutput(o.ofd, QFileInfo(o.ofd).completeBaseName(), inputs);
    RecordingMessages messages;
    MessageService::SetInstance(&messages);
    const auto restore = qScopeGuard([] { MessageService::SetInstance(nullptr); });

    // The queries live in a data module that SetData lines can name ("DataModule1.主表"); the
    // runtime belongs to it as well, so a bare component name finds them too.
    QObject module;
    module.setObjectName(QStringLiteral("DataModule1"));
    Components::RegisterForm(&module);
    auto* runtime = new TReportRunTime(&module);
    runtime->setObjectName(QStringLiteral("ReportRunTime1"));
    runtime->SetReportFile(o.templateFile); // a missing or damaged file throws
    runtime->ShowNotes();                   // on stderr, and kept for the JSON answer
    if (!runtime->Outcome.TemplateIssue.isEmpty()) return 1;
    runtime->SetAddSpace(o.addSpace);
    runtime->KeepNumberCells = xlsx != nullptr;

    for (const auto& [name, source] : std::as_const(o.dataSets)) {
        // Owned by the module, as the designer's data module owns its queries.
        TDataSet* data = OpenDataSource(&module, name, source, o.connection).release();
        RequireFields(*data, TemplateFields(*runtime, name));
        runtime->SetDataSet(Gbk::Encode(name), data);
    }
    for (const QString& line : std::as_const(o.setData)) {
        const qsizetype before = runtime->DataSets.size();
        runtime->RunSetDataLine(Gbk::Encode(line), false, true);
        if (line.trimmed().startsWith(QLatin1String("SetDataSet"), Qt::CaseInsensitive) &&
            runtime->DataSets.size() == before)
            PrintError(QStringLiteral("karvell expand: 命令行“%1”没有登记任何数据集").arg(line));
    }
    for (const auto& [name, value] : std::as_const(o.variables))
        runtime->SetVarValue(Gbk::Encode(name), Gbk::Encode(value));

    // A placeholder whose data set was never given would only show up as pages that cannot be
    // laid out: name it instead.
    const QStringList missing = MissingDataSets(*runtime);
    if (!missing.isEmpty()) {
        PrintError(QStringLiteral("karvell expand：模板使用的数据集没有给出：%1（用 --db 与 "
                                  "--dataset 名称=SQL 给出）")
                       .arg(missing.join(QStringLiteral("、"))));
        return 1;
    }
    if (!RequirePrinter()) return 1;
    runtime->OnWarning = [](const QString& warning) { PrintError(warning); };
    ProgressReport progress = StderrProgress();
    // A run that stops early (a page that cannot hold a line, a failed total) leaves pages
    // without some records or with wrong totals: nothing is written from it. The count pass
    // already knows.
    const auto incomplete = [&] {
        runtime->ShowNotes();
        if (runtime->Outcome.RunIssue.isEmpty()) return false;
        progress.End();
        PrintError(
            QStringLiteral("karvell expand: %1；未写入任何文件").arg(runtime->Outcome.RunIssue));
        return true;
    };
    ReportRecords(*runtime, progress, QStringLiteral("计算页数"));
    const int count = runtime->BuildPages(false, 0);
    if (incomplete()) return 1;
    ReportRecords(*runtime, progress, QStringLiteral("生成页面"));
    // Pages for a file go to a spool as they are made (JSON answers hold them all anyway).
    std::optional<TPageSpool> spool;
    if (!o.json) {
        spool.emplace();
        runtime->PageOut = [&spool](const QByteArray& page) { spool->Append(page); };
    }
    int detailIndex = 0;
    const auto build = [&] {
        detailIndex = runtime->BuildPages(true, count);
        runtime->OnProgress = nullptr;
        if (incomplete()) return false;
        progress.End();
        return true;
    };
    if (!o.pdf.isEmpty() && !ofd && !xlsx && !o.json) {
        // A PDF is painted while its pages are made; the file is written once all are.
        std::unique_ptr<TPageSink> sink = PdfOutput(o);
        TPageWriter writer(*sink);
        writer.SetProgress(&progress, QStringLiteral("写入 PDF"));
        if (!writer.WriteAsMade(*spool, build)) return 1;
        if (spool->Count() == 0) {
            PrintError(QStringLiteral("karvell expand: 没有生成任何页面；未写入任何文件"));
            return 1;
        }
        sink->Finish();
        return 0;
    }
    if (!build()) return 1;
    if (o.json) {
        PrintOut(QString::fromUtf8(QJsonDocument(PagesToJson(*runtime, detailIndex, messages.texts))
                                       .toJson(QJsonDocument::Indented)));
        return 0;
    }
    if (spool->Count() == 0) {
        PrintError(QStringLiteral("karvell expand: 没有生成任何页面；未写入任何文件"));
        return 1;
    }
    WritePages(*runtime, *spool, o, inputs, progress, std::move(xlsx), std::move(ofd));
    progress.End();
    return 0;
}

} // namespace

KARVELL_COMMAND(
    QStringLiteral("expand"),
    QStringLiteral(
        "expand TEMPLATE [--db CONNECTION] [--dataset "
        "NAME=SQL|csv:FILE|json:FILE]... "
        "[--setdata LINE]... [--var NAME=VALUE]... [--add-space] "
        "(--json | --pdf OUT.pdf [--pdfa] | --png DIR | --xlsx OUT.xlsx | --ofd OUT.ofd)"),
    QStringLiteral("fill the template from queries on a data source (an ODBC "
                   "connection string or a SQLite file) or from CSV and JSON files "
                   "and expand it into pages: as JSON, one PDF, DIR/page-N.png, or "
                   "one spreadsheet (one worksheet, a page break after each page, "
                   "numbers as numbers) or one fixed-layout document (OFD)"),
    RunExpand);

KARVELL_COMMAND_DETAILS(
    QStringLiteral("expand"),
    QStringLiteral(
        "--dataset NAME=SQL         a query on --db CONNECTION\n"
        "--dataset NAME=csv:FILE    a CSV file: UTF-8, the first line the field names,\n"
        "                           RFC 4180 quoting (\"a, b\", \"say \"\"hi\"\"\"); an empty\n"
        "                           unquoted value is null\n"
        "--dataset NAME=json:FILE   a JSON array of flat objects ([{\"凭证号\": \"记-0087\",\n"
        "                           \"借方金额\": 2356.50}, ...]); numbers keep the digits "
        "written\n"
        "--pdfa                     the PDF as PDF/A-1b, for electronic archives\n"
        "\n"
        "Values that read as numbers are numbers, exactly as from a database. A file with a\n"
        "ragged line, a bad quote, invalid UTF-8, anything but flat objects, or without a\n"
        "field the template uses is named with its line (or object) and the field; exit 1,\n"
        "nothing written."));

} // namespace karvell::cli
