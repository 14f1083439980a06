// A period's vouchers printed at once, the way `karvell batch` does it: 1,000 vouchers of 20
// detail lines each, the template expanded once per voucher (digit-column amounts, 承前页 and
// 过次页 lines, the total in words) and every page painted into one PDF. Target: under 10 s.
//
//   batch_bench --benchmark_filter=BatchToPdf
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench_helpers.h"
#include "output/pagespool.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "platform/gbk.h"
#include "runtime/reportruntime.h"
#include "runtime/voucherbatch.h"

using namespace karvell;

namespace {

// 12-point Song cells on a 768 × 1058 page; 20 detail lines fit on one page, so most vouchers
// take one page and the carried totals run on those that take two.
QByteArray VoucherTemplate() {
    const char* digits = "[金额线11]";
    const bench::CellTable layout = {
        {{"记账凭证", 670, "", 1}},
        {{"@主表.凭证号", 220}, {"@主表.日期", 220}, {"`PageNum/", 230, "", 2}},
        {{"摘要", 200}, {"科目", 170}, {"借方金额", 150}, {"贷方金额", 150}},
        {{"", 200},
         {"", 170},
         {"亿千百十万千百十元角分", 150, digits},
         {"亿千百十万千百十元角分", 150, digits}},
        {{"承前页", 370}, {"`SumPrev(3)", 150, digits}, {"`SumPrev(4)", 150, digits}},
        {{"#从表.摘要", 200},
         {"#从表.科目", 170},
         {"#从表.借方金额", 150, digits, 2},
         {"#从表.贷方金额", 150, digits, 2}},
        {{"本页合计", 370}, {"`SumPage(3)", 150, digits}, {"`SumPage(4)", 150, digits}},
        {{"合计", 370}, {"`SumAll(3)", 150, digits}, {"`SumAll(4)", 150, digits}},
        {{"金额（大写）", 200}, {"`SumAll(3)", 470, "[人民币大写]"}},
        {{"过次页", 370}, {"`SumCarry(3)", 150, digits}, {"`SumCarry(4)", 150, digits}},
        {{"@主表.制单", 670}},
    };
    return bench::TemplateFromTable(layout, bench::VoucherPage());
}

void BM_BatchToPdf(benchmark::State& state) {
    const int vouchers = int(state.range(0));
    const int linesEach = int(state.range(1));
    QTemporaryDir dir;
    const QString templateFile = bench::WriteTemplateFile(dir, VoucherTemplate());

    TDataSet master, detail;
    master.SetFields({{QStringLiteral("凭证号"), FieldKind::Other},
                      {QStringLiteral("日期"), FieldKind::Other},
                      {QStringLiteral("制单"), FieldKind::Other}});
    detail.SetFields({{QStringLiteral("凭证号"), FieldKind::Other},
                      {QStringLiteral("摘要"), FieldKind::Other},
                      {QStringLiteral("科目"), FieldKind::Other},
                      {QStringLiteral("借方金额"), FieldKind::Numeric},
                      {QStringLiteral("贷方金额"), FieldKind::Numeric}});
    for (int v = 1; v <= vouchers; ++v) {
        const QString key = QStringLiteral("记-%1").arg(v, 4, 10, QLatin1Char('0'));
        master.AppendRow(
            {key, QStringLiteral("2024年03月%1日").arg(v % 28 + 1), QStringLiteral("制单：王丽")});
        for (int i = 0; i < linesEach; ++i) {
            const double amount = 100 + (v * 31 + i * 17) % 9973 + 0.01 * (i * 7 % 100);
            const bool debit = i % 2 == 0;
            detail.AppendRow(
                {key, QStringLiteral("支付第%1号凭证第%2笔款项").arg(v).arg(i + 1),
                 debit ? QStringLiteral("6602 管理费用—办公费") : QStringLiteral("1002 银行存款"),
                 debit ? QVariant(amount) : QVariant(), debit ? QVariant() : QVariant(amount)});
        }
    }
    master.Open();
    detail.Open();

    TReportRunTime runtime;
    runtime.SetReportFile(templateFile);
    runtime.SetAddSpace(true); // as `karvell batch` prints: blank lines down to the footer
    const QString pdf = dir.filePath("month.pdf");
    int pages = 0;
    for (auto _ : state) {
        TPdfSink sink(pdf, QStringLiteral("month"), PdfResolution());
        TPageWriter writer(sink);
        VoucherBatch batch(runtime, master, detail, QStringLiteral("凭证号"));
        // As `karvell batch` prints: the vouchers' pages spooled, and painted as they come.
        TPageSpool spool;
        writer.WriteAsMade(spool, [&] {
            batch.Run([&spool](const QList<QBuffer*>& pages) {
                for (const QBuffer* page : pages)
                    spool.Append(page->data());
            });
            return true;
        });
        sink.Finish();
        pages = sink.PageCount();
    }
    state.counters["pages"] = pages;
    state.counters["PDF_MB"] = double(QFileInfo(pdf).size()) / (1024 * 1024);
    state.counters["vouchers/s"] =
        benchmark::Counter(double(vouchers), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BatchToPdf)->Args({1000, 20})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunBenchmarks(argc, argv);
}
