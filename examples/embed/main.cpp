// Prints a voucher from rows this program builds itself (no database): loads the template,
// registers the master and detail data sets, expands the template into pages and writes them
// into one PDF through the output path.
//   embed_voucher TEMPLATE OUT.pdf
#include <QGuiApplication>
#include <cstdio>

#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/logfont.h"
#include "runtime/dataset.h"
#include "runtime/reportruntime.h"

using karvell::FieldDef;
using karvell::FieldKind;

namespace {

// Amounts are given as their decimal text: the runtime reads them exactly.
void FillDetail(karvell::TDataSet& detail) {
    detail.SetFields({{QStringLiteral("序号"), FieldKind::Numeric},
                      {QStringLiteral("摘要"), FieldKind::Other},
                      {QStringLiteral("科目"), FieldKind::Other},
                      {QStringLiteral("借方金额"), FieldKind::Numeric},
                      {QStringLiteral("贷方金额"), FieldKind::Numeric}});
    detail.AppendRow({1, QStringLiteral("采购办公用品"), QStringLiteral("管理费用"),
                      QStringLiteral("1288.40"), QVariant()});
    detail.AppendRow({2, QStringLiteral("采购办公用品"), QStringLiteral("银行存款"), QVariant(),
                      QStringLiteral("1288.40")});
}

void FillMaster(karvell::TDataSet& master) {
    master.SetFields({{QStringLiteral("凭证号"), FieldKind::Other},
                      {QStringLiteral("日期"), FieldKind::Other},
                      {QStringLiteral("单位名称"), FieldKind::Other},
                      {QStringLiteral("附件数"), FieldKind::Numeric},
                      {QStringLiteral("制单"), FieldKind::Other},
                      {QStringLiteral("复核"), FieldKind::Other},
                      {QStringLiteral("记账"), FieldKind::Other}});
    master.AppendRow({QStringLiteral("嵌-0001"), QStringLiteral("2024年04月01日"),
                      QStringLiteral("嵌入示例有限公司"), 2, QStringLiteral("赵敏"),
                      QStringLiteral("钱伟"), QStringLiteral("孙丽")});
}

int Run(const QString& templateFile, const QString& pdf) {
    karvell::TReportRunTime runtime;
    runtime.SetReportFile(templateFile); // throws when it cannot be read
    runtime.SetAddSpace(true);

    karvell::TDataSet master, detail;
    master.setObjectName(QStringLiteral("主表"));
    detail.setObjectName(QStringLiteral("从表"));
    FillMaster(master);
    FillDetail(detail);
    master.Open();
    detail.Open();
    // Data set names are GB18030 text, as templates store them.
    runtime.SetDataSet(karvell::Gbk::Encode(QStringLiteral("主表")), &master);
    runtime.SetDataSet(karvell::Gbk::Encode(QStringLiteral("从表")), &detail);

    // A count pass, then the pass that builds the pages.
    const int count = runtime.BuildPages(false, 0);
    if (runtime.Outcome.RunIssue.isEmpty()) runtime.BuildPages(true, count);
    if (!runtime.Outcome.RunIssue.isEmpty() || runtime.PageStreams.isEmpty()) {
        std::fprintf(stderr, "embed_voucher: %s\n", qUtf8Printable(runtime.Outcome.RunIssue));
        return 1;
    }
    karvell::TPdfSink sink(pdf, QStringLiteral("embed"), karvell::PdfResolution());
    karvell::TPageWriter writer(sink);
    writer.Write(runtime.PageStreams);
    sink.Finish();
    std::printf("%d page(s) written to %s\n", int(runtime.PageStreams.size()), qUtf8Printable(pdf));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: embed_voucher TEMPLATE OUT.pdf\n");
        return 2;
    }
    karvell::InstallFontSubstitutions();
    try {
        return Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    } catch (const karvell::KarvellError& e) {
        std::fprintf(stderr, "embed_voucher: %s\n", qUtf8Printable(e.message()));
        return 1;
    }
}
