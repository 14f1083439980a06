// karvell batch: a period's vouchers into one PDF, one print job, one spreadsheet (a
// worksheet per voucher) or one fixed-layout (OFD) document: the template expanded once per
// master row, with that row's detail rows, in master order. The rows come from SQL queries or
// from CSV and JSON files.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <optional>
#include <unistd.h>

#include "adoquery.h"
#include "command.h"
#include "datasource.h"
#include "ofdoutput.h"
#include "output/pagespool.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "output/xlsxsink.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/samefile.h"
#include "printersink.h"
#include "runtime/reportruntime.h"
#include "runtime/templatefields.h"
#include "runtime/voucherbatch.h"
#include "xlsxoutput.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell batch TEMPLATE [--db CONNECTION] --master SQL|csv:FILE|json:FILE "
    "--detail SQL|csv:FILE|json:FILE --key FIELD "
    "[--no-add-space] [--allow-unmatched] [--offset X,Y] [--shard K/N] [--progress] "
    "(--pdf OUT.pdf | --printer NAME | --xlsx OUT.xlsx | --ofd OUT.ofd) [--pdfa]";

// Exit status of a batch that printed everything it could but found rows that do not pair up.
constexpr int kExitWarnings = 3;

struct Options {
    QString templateFile, connection, master, detail, key, pdf, printer, xlsx, ofd, shard;
    bool addSpace = true; // as the designer's default settings: blank lines to the footer
    bool allowUnmatched = false;
    bool progress = false; // machine-readable progress lines
    bool pdfa = false;     // the PDF (--pdf or the "PDF" printer's) as PDF/A-1b
};

bool ParseOptions(const QStringList& args, Options* o) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* value = a == QLatin1String("--db")        ? &o->connection
                         : a == QLatin1String("--master")  ? &o->master
                         : a == QLatin1String("--detail")  ? &o->detail
                         : a == QLatin1String("--key")     ? &o->key
                         : a == QLatin1String("--pdf")     ? &o->pdf
                         : a == QLatin1String("--printer") ? &o->printer
                         : a == QLatin1String("--xlsx")    ? &o->xlsx
                         : a == QLatin1String("--ofd")     ? &o->ofd
                         : a == QLatin1String("--shard")   ? &o->shard
                                                           : nullptr;
        if (value) {
            if (i + 1 >= args.size()) return false;
            *value = args[++i];
        } else if (a == QLatin1String("--no-add-space")) {
            o->addSpace = false;
        } else if (a == QLatin1String("--allow-unmatched")) {
            o->allowUnmatched = true;
        } else if (a == QLatin1String("--progress")) {
            o->progress = true;
        } else if (a == QLatin1String("--pdfa")) {
            o->pdfa = true;
        } else if (a.startsWith(u'-') || !o->templateFile.isEmpty()) {
            return false;
        } else {
            o->templateFile = a;
        }
    }
    // A connection is needed only for queries.
    const bool needsDb = !IsFileSource(o->master) || !IsFileSource(o->detail);
    return !o->templateFile.isEmpty() && (!needsDb || !o->connection.isEmpty()) &&
           !o->master.isEmpty() && !o->detail.isEmpty() && !o->key.isEmpty() &&
           int(!o->pdf.isEmpty()) + int(!o->printer.isEmpty()) + int(!o->xlsx.isEmpty()) +
                   int(!o->ofd.isEmpty()) ==
               1 &&
           !(o->pdfa && (!o->xlsx.isEmpty() || !o->ofd.isEmpty()));
}

// "凭证 12/60  页 37" redrawn in place on a terminal; elsewhere a line every few seconds and
// at the end.
class ProgressLine {
public:
    ProgressLine() : m_terminal(isatty(fileno(stderr)) != 0) { m_clock.start(); }
    void Show(int done, int total, int pages) {
        const bool last = done == total;
        if (!m_terminal && !last && m_clock.elapsed() - m_lastLine < 3000) return;
        m_lastLine = m_clock.elapsed();
        const QByteArray text =
            QStringLiteral("凭证 %1/%2  页 %3").arg(done).arg(total).arg(pages).toUtf8();
        std::fprintf(stderr, m_terminal ? "\r%s" : "%s\n", text.constData());
        if (m_terminal && last) std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    bool m_terminal;
    QElapsedTimer m_clock;
    qint64 m_lastLine = 0;
};

// --progress: one line per voucher for job runners, "progress VOUCHERS/TOTAL pages=PAGES".
void MachineProgress(int done, int total, int pages) {
    std::fprintf(stderr, "progress %d/%d pages=%d\n", done, total, pages);
    std::fflush(stderr);
}

// The keys as told; a list cut at kKeysShown ends with " 等" when `cut` says it may have been.
QString KeyList(const QStringList& keys, bool cut = false) {
    QStringList shown;
    for (const QString& key : keys)
        shown.append(key.isEmpty() ? QStringLiteral("（空）") : key);
    const bool more = cut && keys.size() == BatchReport::kKeysShown;
    return shown.join(QStringLiteral("、")) + (more ? QStringLiteral(" 等") : QString());
}

// What did not pair up, after the printing: warnings, or notes when the user expects it.
// Answers whether anything was said.
bool TellUnmatched(const BatchReport& r, const QString& keyField, bool allowed) {
    const QString lead = allowed ? QStringLiteral("注意：") : QStringLiteral("警告：");
    if (r.orphanRows > 0)
        PrintError(lead + QStringLiteral("从表有 %1 行的 %2 不是任何一张凭证的（空值也不配对），"
                                         "这些行没有打印；%2：%3")
                              .arg(r.orphanRows)
                              .arg(keyField, KeyList(r.orphanKeys, true)));
    if (r.duplicateRows > 0)
        PrintError(lead + QStringLiteral("主表中 %1 重复：%2；每个 %1 只打印了第一行，其余 %3 "
                                         "行没有打印")
                              .arg(keyField, KeyList(r.duplicateKeys))
                              .arg(r.duplicateRows));
    if (r.lonelyMasters > 0)
        PrintError(lead + QStringLiteral("主表有 %1 张凭证没有任何从表行，只印出了空白分录；"
                                         "%2：%3")
                              .arg(r.lonelyMasters)
                              .arg(keyField, KeyList(r.lonelyKeys, true)));
    if (r.Clean()) return false;
    if (!allowed)
        PrintError(QStringLiteral("批量打印已完成，但有上述警告（退出状态 %1；确属正常时用 "
                                  "--allow-unmatched）")
                       .arg(kExitWarnings));
    return true;
}

// The master or detail rows; a file must hold the key and every field the template takes
// from its data set.
int RunBatch(const QStringList& args) {
    Options o;
    if (!ParseOptions(args, &o)) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    const BatchShard shard = o.shard.isEmpty() ? BatchShard() : ParseBatchShard(o.shard);
    if (!shard.Whole() && !o.printer.isEmpty()) {
        PrintError(QStringLiteral("--shard 只用于 --pdf、--ofd 或 --xlsx，不用于打印机"));
        return 1;
    }
    // Nothing is written over the template or the database.
    const QStringList inputs = {o.templateFile, ConnectionDatabaseFile(o.connection),
                                SourceFile(o.master), SourceFile(o.detail)};
    if (!o.pdf.isEmpty()) RefuseOutputOverInput(QStringLiteral("--pdf"), o.pdf, inputs);
    // A spreadsheet that cannot be saved is known before any query runs.
    std::unique_ptr<TXlsxSink> xlsx =
        OpenXlsxOutput(o.xlsx, QFileInfo(o.xlsx).completeBaseName(), inputs);
    std::unique_ptr<TOfdSink> ofd =
        OpenOfdOutput(o.ofd, QFileInfo(o.ofd).completeBaseName(), inputs);
    StderrMessages messages;
    MessageService::SetInstance(&messages);
    const auto restore = qScopeGuard([] { MessageService::SetInstance(nullptr); });

    QObject module;
    TReportRunTime runtime(&module);
    runtime.SetReportFile(o.templateFile); // a missing or damaged file throws
    // What the runtime would show in a box (not a template, a failed total) goes to stderr,
    // also when a voucher ends the batch.
    const auto notes = qScopeGuard([&runtime] { runtime.ShowNotes(); });
    if (!runtime.Outcome.TemplateIssue.isEmpty()) return 1;
    runtime.SetAddSpace(o.addSpace);
    runtime.OnWarning = [](const QString& warning) { PrintError(warning); };
    runtime.KeepNumberCells = xlsx != nullptr;

    const auto master =
        OpenVoucherRows(&module, runtime, QStringLiteral("主表"), o.master, o.connection, o.key);
    const auto detail =
        OpenVoucherRows(&module, runtime, QStringLiteral("从表"), o.detail, o.connection, o.key);
    if (master->RecordCount() == 0) {
        PrintError(QStringLiteral("主表查询没有返回任何记录，没有凭证可打印"));
        return 1;
    }
    if (!RequirePrinter()) return 1; // pages are laid out on the printer's paper

    // The built-in "PDF" printer writes a file of its own, as a print job on it does.
    PrinterService& printers = PrinterService::Instance();
    const QString title = QFileInfo(o.templateFile).completeBaseName();
    QString pdf = o.pdf;
    if (!o.printer.isEmpty()) {
        const int index = int(printers.Printers().indexOf(o.printer));
        if (index < 0) {
            PrintError(QStringLiteral("没有名为 %1 的打印机（可用：%2）")
                           .arg(o.printer, printers.Printers().join(QStringLiteral("，"))));
            return 1;
        }
        printers.SetCurrentIndex(index);
        if (printers.CurrentIsPdf()) pdf = printers.NextPdfPath(title);
    }
    if (o.pdfa && pdf.isEmpty()) {
        PrintError(
            QStringLiteral("--pdfa 只用于 PDF 输出，打印机 %1 不是 PDF 打印机").arg(o.printer));
        return 1;
    }
    std::unique_ptr<TPageSink> sink;
    TXlsxSink* sheets = xlsx.get();
    const bool toOfd = ofd != nullptr;
    if (xlsx)
        sink = std::move(xlsx);
    else if (ofd)
        sink = std::move(ofd);
    else if (pdf.isEmpty())
        sink = std::make_unique<TPrinterSink>(o.printer, title);
    else
        sink = std::make_unique<TPdfSink>(pdf, title, PdfResolution(),
                                          o.pdfa ? TPdfStandard::A1b : TPdfStandard::Plain);
    // Pages are painted nowhere for a spreadsheet: no printer margins.
    TPageWriter writer = sheets ? TPageWriter(*sink, QMarginsF()) : TPageWriter(*sink);

    VoucherBatch batch(runtime, *master, *detail, o.key);
    batch.SetShard(shard);
    ProgressLine progress;
    if (o.progress)
        batch.OnProgress = MachineProgress;
    else
        batch.OnProgress = [&progress](int done, int total, int pages) {
            progress.Show(done, total, pages);
        };
    // Pages for a file or a print job go to a spool as the vouchers are laid out. Where the
    // sink can be split (a PDF) a second thread paints the first pages as they come, and the
    // rest are painted into a second part after the last voucher, which a voucher of a few
    // pages alone never gives; elsewhere all are painted after the last voucher. A worksheet
    // per voucher is written as the voucher comes. A voucher that cannot be completed ends the
    // batch before the output is finished: no file is written and no print job is sent.
    std::optional<TPageSpool> spool;
    if (!sheets) spool.emplace();
    BatchReport report;
    const auto run = [&] {
        report = batch.Run([&](const QList<QBuffer*>& pages) {
            if (spool) {
                for (const QBuffer* page : pages)
                    spool->Append(page->data());
                return;
            }
            sheets->StartSheet(batch.CurrentKey()); // named after the voucher's key
            sheets->SetNumberCells(&runtime.PageNumberCells);
            writer.Write(pages);
        });
        return true;
    };
    ProgressReport painting = StderrProgress();
    if (spool) {
        writer.SetProgress(&painting, toOfd           ? QStringLiteral("写入 OFD")
                                      : pdf.isEmpty() ? QStringLiteral("打印")
                                                      : QStringLiteral("写入 PDF"));
        writer.WriteAsMade(*spool, run);
    } else {
        run();
    }
    if (report.vouchers == 0) {
        // A part with no voucher (more parts than vouchers): an empty file marks it, and
        // karvell join passes over it.
        WriteFileAtomic(sheets ? o.xlsx : toOfd ? o.ofd : pdf, QByteArray());
        PrintError(QStringLiteral("注意：第 %1/%2 份没有凭证，写入了空的部分文件")
                       .arg(shard.part)
                       .arg(shard.parts));
    } else {
        sink->Finish();
    }
    if (!pdf.isEmpty()) PrintOut(QStringLiteral("PDF: %1\n").arg(pdf));
    if (sheets) PrintOut(QStringLiteral("XLSX: %1\n").arg(o.xlsx));
    if (toOfd) PrintOut(QStringLiteral("OFD: %1\n").arg(o.ofd));
    return TellUnmatched(report, o.key, o.allowUnmatched) && !o.allowUnmatched ? kExitWarnings : 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("batch"),
                QStringLiteral("batch TEMPLATE [--db CONNECTION] --master SQL|csv:FILE|json:FILE "
                               "--detail SQL|csv:FILE|json:FILE --key FIELD [--no-add-space] "
                               "[--allow-unmatched] [--shard K/N] [--progress] (--pdf OUT.pdf | "
                               "--printer NAME | --xlsx OUT.xlsx | --ofd OUT.ofd) [--pdfa]"),
                QStringLiteral("print a period's vouchers: the template once per master row "
                               "(data set 主表) with the detail rows whose FIELD equals the "
                               "master's (从表), into one PDF, one print job, one spreadsheet "
                               "(a worksheet per voucher, named after its key) or one OFD "
                               "document; blank detail "
                               "lines fill each voucher's last page unless --no-add-space"),
                RunBatch);

KARVELL_COMMAND_DETAILS(
    QStringLiteral("batch"),
    QStringLiteral(
        "--master and --detail are SQL queries on --db CONNECTION, or csv:FILE / json:FILE\n"
        "(as `karvell expand --help` describes; no --db needed for files).\n"
        "\n"
        "Keys are compared exactly, as the text the database gives: whole numbers of any\n"
        "length digit for digit (2024033100000001 and 2024033100000002 are two vouchers),\n"
        "text byte for byte. A NULL or blank key matches nothing.\n"
        "\n"
        "After printing, warnings on stderr name the rows that do not pair up:\n"
        "  - detail rows whose key is no master row's (not printed): their count and the\n"
        "    first ten keys;\n"
        "  - master keys held by more than one master row (only the first row is printed);\n"
        "  - master rows without any detail row (printed with blank lines).\n"
        "\n"
        "Exit status:\n"
        "  0  every row printed once\n"
        "  3  the PDF, spreadsheet, OFD or print job was made, but with such warnings\n"
        "  1  nothing was printed: no file, no job (a voucher that cannot be completed,\n"
        "     a query or template error, an output that is one of the inputs)\n"
        "\n"
        "--allow-unmatched  the warnings become notes and the exit status is 0.\n"
        "--no-add-space     no blank detail lines down to the footer of a voucher's last page.\n"
        "\n"
        "--shard K/N  prints only the K-th of N parts of the vouchers (1 <= K <= N), so that\n"
        "             parts run in separate processes or on separate machines; `karvell join`\n"
        "             joins the part files, in part order, into the file the whole batch\n"
        "             gives. Parts are contiguous in master order and balanced by detail\n"
        "             row count; a voucher is never split. A part without any voucher (more\n"
        "             parts than vouchers) writes an EMPTY file (0 bytes) as its output and\n"
        "             exits 0; join passes over empty parts. Rows that pair with no voucher\n"
        "             (orphan detail rows, repeated master keys) are told by part 1 only.\n"
        "             Only with --pdf or --xlsx.\n"
        "--progress   machine-readable progress on stderr instead of the progress line: after\n"
        "             each voucher one line \"progress DONE/TOTAL pages=PAGES\" (vouchers\n"
        "             done in this part / vouchers in this part, pages written so far),\n"
        "             e.g. \"progress 12/60 pages=37\".\n"
        "--pdfa             the PDF (--pdf, or the \"PDF\" printer's file) as PDF/A-1b."));

} // namespace karvell::cli
