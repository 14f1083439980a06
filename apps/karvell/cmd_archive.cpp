// karvell archive: a period's vouchers as an archive package, one OFD (or PDF) file per voucher
// with index.xml and SHA256SUMS, for keeping the accounting records electronically.
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include "adoquery.h"
#include "command.h"
#include "datasource.h"
#include "model/reportcell.h"
#include "model/reportdocument.h"
#include "model/reportline.h"
#include "output/archive.h"
#include "output/ofdfont.h"
#include "output/ofdsink.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/samefile.h"
#include "runtime/dataset.h"
#include "runtime/reportruntime.h"
#include "runtime/templatefields.h"
#include "runtime/voucherbatch.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell archive TEMPLATE [--db CONNECTION] --master SQL|csv:FILE|json:FILE "
    "--detail SQL|csv:FILE|json:FILE --key FIELD --out DIR [--format ofd|pdfa] [--force] "
    "[--no-add-space] [--allow-unmatched]";

constexpr int kExitWarnings = 3;

struct Options {
    QString templateFile, connection, master, detail, key, out;
    QString format = QStringLiteral("ofd");
    bool force = false;
    bool addSpace = true;
    bool allowUnmatched = false;
};

bool ParseOptions(const QStringList& args, Options* o) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* value = a == QLatin1String("--db")       ? &o->connection
                         : a == QLatin1String("--master") ? &o->master
                         : a == QLatin1String("--detail") ? &o->detail
                         : a == QLatin1String("--key")    ? &o->key
                         : a == QLatin1String("--out")    ? &o->out
                         : a == QLatin1String("--format") ? &o->format
                                                          : nullptr;
        if (value) {
            if (i + 1 >= args.size()) return false;
            *value = args[++i];
        } else if (a == QLatin1String("--force")) {
            o->force = true;
        } else if (a == QLatin1String("--no-add-space")) {
            o->addSpace = false;
        } else if (a == QLatin1String("--allow-unmatched")) {
            o->allowUnmatched = true;
        } else if (a.startsWith(u'-') || !o->templateFile.isEmpty()) {
            return false;
        } else {
            o->templateFile = a;
        }
    }
    const bool needsDb = !IsFileSource(o->master) || !IsFileSource(o->detail);
    return !o->templateFile.isEmpty() && (!needsDb || !o->connection.isEmpty()) &&
           !o->master.isEmpty() && !o->detail.isEmpty() && !o->key.isEmpty() && !o->out.isEmpty() &&
           (o->format == QLatin1String("ofd") || o->format == QLatin1String("pdfa"));
}

// The master record of the voucher being built, field by field as printed.
QList<QPair<QString, QString>> MasterFields(const TReportRunTime& runtime) {
    QList<QPair<QString, QString>> fields;
    const TDataSet* master = runtime.FindDataSet(Gbk::Encode(QStringLiteral("主表")));
    if (!master) return fields;
    for (const QString& name : master->FieldNames())
        fields.append({name, master->FieldByName(name).DisplayText()});
    return fields;
}

// The amounts printed in the last page's footer (the lines from the footer on): its cells
// whose text is a number as printed, digits with an optional sign, currency sign, grouping and
// decimals.
QStringList FooterTotals(const TReportRunTime& runtime, const QList<QBuffer*>& pages) {
    if (pages.isEmpty()) return {};
    TReportDocument last;
    TPageWriter::LoadPage(last, pages.last()->data(), int(pages.size()));
    static const QRegularExpression number(QStringLiteral("^-?[￥¥]?-?[0-9][0-9,]*(\\.[0-9]+)?$"));
    QStringList totals;
    for (qsizetype l = std::max<qsizetype>(0, runtime.FooterLineIndex); l < last.Lines.size(); ++l)
        for (const TReportCell* cell : last.Lines[l]->Cells) {
            const QString text = Gbk::Decode(cell->CellText).trimmed();
            if (!cell->OwnerCell && number.match(text).hasMatch()) totals << text;
        }
    return totals;
}

int RunArchive(const QStringList& args) {
    Options o;
    if (!ParseOptions(args, &o)) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    const QStringList inputs = {o.templateFile, ConnectionDatabaseFile(o.connection),
                                SourceFile(o.master), SourceFile(o.detail)};
    for (const QString& input : inputs)
        if (!input.isEmpty() && QFileInfo(input).absoluteFilePath().startsWith(
                                    QFileInfo(o.out).absoluteFilePath() + u'/'))
            throw KarvellError(
                QStringLiteral("--out 文件夹“%1”中有输入文件“%2”").arg(o.out, input));
    QFile templateFile(o.templateFile);
    if (!templateFile.open(QIODevice::ReadOnly))
        throw KarvellError(QStringLiteral("无法打开模板“%1”").arg(o.templateFile));
    const QByteArray templateBytes = templateFile.readAll();
    // The target is checked before any query runs.
    const QString ext =
        o.format == QLatin1String("ofd") ? QStringLiteral("ofd") : QStringLiteral("pdf");
    ArchivePackage package(o.out, o.force, templateBytes, QFileInfo(o.templateFile).fileName(),
                           ext);
    package.OnNote = [](const QString& note) { PrintError(note); };

    StderrMessages messages;
    MessageService::SetInstance(&messages);
    const auto restore = qScopeGuard([] { MessageService::SetInstance(nullptr); });
    QObject module;
    TReportRunTime runtime(&module);
    runtime.SetReportFile(o.templateFile);
    // What the runtime would show in a box goes to stderr, also when a voucher ends the run.
    const auto notes = qScopeGuard([&runtime] { runtime.ShowNotes(); });
    if (!runtime.Outcome.TemplateIssue.isEmpty()) return 1;
    runtime.SetAddSpace(o.addSpace);
    runtime.OnWarning = [](const QString& warning) { PrintError(warning); };
    const auto master =
        OpenVoucherRows(&module, runtime, QStringLiteral("主表"), o.master, o.connection, o.key);
    const auto detail =
        OpenVoucherRows(&module, runtime, QStringLiteral("从表"), o.detail, o.connection, o.key);
    if (master->RecordCount() == 0) {
        PrintError(QStringLiteral("主表查询没有返回任何记录，没有凭证可归档"));
        return 1;
    }
    if (!RequirePrinter()) return 1;

    VoucherBatch batch(runtime, *master, *detail, o.key);
    const int dpi = PdfResolution();
    // Every voucher's file embeds the same faces: each is read and reassembled once.
    FontFileCache fontFiles;
    const BatchReport report = batch.Run([&](const QList<QBuffer*>& pages) {
        ArchiveVoucher voucher;
        voucher.key = batch.CurrentKey();
        voucher.fields = MasterFields(runtime);
        voucher.pages = int(pages.size());
        voucher.totals = FooterTotals(runtime, pages);
        QByteArray bytes;
        if (ext == QLatin1String("ofd")) {
            TOfdSink sink(QString(), voucher.key, dpi);
            sink.SetCustomData(voucher.fields);
            sink.SetFontFiles(&fontFiles);
            TPageWriter(sink).Write(pages);
            bytes = sink.TakeBytes();
        } else {
            // Archival PDF: PDF/A-1b, as `--pdfa` writes it.
            TPdfSink sink(QString(), voucher.key, dpi, TPdfStandard::A1b);
            TPageWriter(sink).Write(pages);
            bytes = sink.TakeBytes();
        }
        package.Add(voucher, bytes);
    });
    package.Finish();
    PrintOut(QStringLiteral("归档：%1（%2 张凭证）\n").arg(o.out).arg(package.Count()));
    if (!report.Clean() && !o.allowUnmatched) {
        PrintError(QStringLiteral("警告：主表与从表有不能配对的行（%1 行从表、%2 个重复的 %3、"
                                  "%4 张没有分录的凭证）；确属正常时用 --allow-unmatched")
                       .arg(report.orphanRows)
                       .arg(report.duplicateRows)
                       .arg(o.key)
                       .arg(report.lonelyMasters));
        return kExitWarnings;
    }
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("archive"),
                QStringLiteral("archive TEMPLATE [--db CONNECTION] --master SQL|csv:FILE|json:FILE "
                               "--detail SQL|csv:FILE|json:FILE --key FIELD --out DIR "
                               "[--format ofd|pdfa] [--force]"),
                QStringLiteral("archive a period's vouchers as in `karvell batch`: DIR gets one "
                               "file per voucher named after its key, index.xml and SHA256SUMS; "
                               "the package appears whole or not at all; a DIR that is not empty "
                               "is replaced only with --force"),
                RunArchive);

} // namespace karvell::cli
