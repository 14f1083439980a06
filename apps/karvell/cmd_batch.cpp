// karvell batch: a period's vouchers into one PDF (or one print job): the template expanded
// once per master row, with that row's detail rows, in master order.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <unistd.h>

#include "adoquery.h"
#include "command.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "printersink.h"
#include "runtime/reportruntime.h"
#include "runtime/voucherbatch.h"

namespace karvell::cli {
namespace {

const char* const kUsage =
    "usage: karvell batch TEMPLATE --db CONNECTION --master SQL --detail SQL --key FIELD "
    "[--no-add-space] [--offset X,Y] (--pdf OUT.pdf | --printer NAME)";

struct Options {
    QString templateFile, connection, master, detail, key, pdf, printer;
    bool addSpace = true; // as the designer's default settings: blank lines to the footer
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
                                                           : nullptr;
        if (value) {
            if (i + 1 >= args.size()) return false;
            *value = args[++i];
        } else if (a == QLatin1String("--no-add-space")) {
            o->addSpace = false;
        } else if (a.startsWith(u'-') || !o->templateFile.isEmpty()) {
            return false;
        } else {
            o->templateFile = a;
        }
    }
    return !o->templateFile.isEmpty() && !o->connection.isEmpty() && !o->master.isEmpty() &&
           !o->detail.isEmpty() && !o->key.isEmpty() && (o->pdf.isEmpty() != o->printer.isEmpty());
}

// Counts the boxes the runtime shows (they still go to stderr).
class CountingMessages : public StderrMessages {
public:
    MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        ++count;
        return StderrMessages::Show(title, text, icon, buttons);
    }
    int count = 0;
};

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

std::unique_ptr<TADOQuery> OpenQuery(QObject* owner, const QString& name, const QString& connection,
                                     const QString& sql) {
    auto query = std::make_unique<TADOQuery>(owner);
    query->setObjectName(name);
    query->SetConnectionString(connection);
    query->SetSQL({sql});
    query->Open(); // errors name the data set and the data source
    return query;
}

int RunBatch(const QStringList& args) {
    Options o;
    if (!ParseOptions(args, &o)) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    CountingMessages messages;
    MessageService::SetInstance(&messages);
    const auto restore = qScopeGuard([] { MessageService::SetInstance(nullptr); });

    QObject module;
    TReportRunTime runtime(&module);
    runtime.SetReportFile(o.templateFile); // a missing or damaged file throws
    if (messages.count > 0) return 1;      // not a template: the loader has said so
    runtime.SetAddSpace(o.addSpace);
    runtime.OnWarning = [](const QString& warning) { PrintError(warning); };

    const auto master = OpenQuery(&module, QStringLiteral("主表"), o.connection, o.master);
    const auto detail = OpenQuery(&module, QStringLiteral("从表"), o.connection, o.detail);
    if (master->RecordCount() == 0) {
        PrintError(QStringLiteral("主表查询没有返回任何记录，没有凭证可打印"));
        return 1;
    }
    if (!RequirePrinter()) return 1;

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
    std::unique_ptr<TPageSink> sink;
    if (pdf.isEmpty())
        sink = std::make_unique<TPrinterSink>(o.printer, title);
    else
        sink = std::make_unique<TPdfSink>(pdf, title, PdfResolution());
    TPageWriter writer(*sink);

    VoucherBatch batch(runtime, *master, *detail, o.key);
    ProgressLine progress;
    batch.OnProgress = [&progress](int done, int total, int pages) {
        progress.Show(done, total, pages);
    };
    batch.Run([&writer](const QList<QBuffer*>& pages) { writer.Write(pages); });
    sink->Finish();
    if (!pdf.isEmpty()) PrintOut(QStringLiteral("PDF: %1\n").arg(pdf));
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("batch"),
                QStringLiteral("batch TEMPLATE --db CONNECTION --master SQL --detail SQL --key "
                               "FIELD [--no-add-space] (--pdf OUT.pdf | --printer NAME)"),
                QStringLiteral("print a period's vouchers: the template once per master row "
                               "(data set 主表) with the detail rows whose FIELD equals the "
                               "master's (从表), into one PDF or one print job; blank detail "
                               "lines fill each voucher's last page unless --no-add-space"),
                RunBatch);

} // namespace karvell::cli
