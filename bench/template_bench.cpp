// A large template through the document: load, relayout (UpdateLines) and save of 1,000 lines
// of 20 cells with Chinese texts (the longer ones wrap in their narrow cells), in 12-point Song.
//
//   template_bench --benchmark_filter=LoadUpdateSave
#include <QBuffer>
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <iterator>

#include "bench_helpers.h"
#include "model/reportdocument.h"

using namespace karvell;

namespace {

constexpr int kLines = 1000;
constexpr int kCells = 20;
constexpr int kCellWidth = 34;

const char* const kTexts[] = {"摘要", "银行存款", "管理费用", "应付职工薪酬", "借方", "1,234.56"};

QByteArray LargeTemplate() {
    bench::CellTable table(kLines);
    for (int l = 0; l < kLines; ++l)
        for (int c = 0; c < kCells; ++c)
            table[l].append({kTexts[(l + c) % std::size(kTexts)], kCellWidth});
    TemplateHeader h;
    h.PageWidth = 794;
    h.PageHeight = 1123;
    h.LeftMarginPx = 40;
    h.TopMarginPx = 40;
    h.RightMarginPx = 40;
    h.BottomMarginPx = 40;
    return bench::TemplateFromTable(table, h);
}

void BM_LoadUpdateSave(benchmark::State& state) {
    QByteArray bytes = LargeTemplate();
    qint64 saved = 0;
    for (auto _ : state) {
        TReportDocument doc;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        if (!doc.LoadFromStream(in, 0)) {
            state.SkipWithError("the template does not load");
            return;
        }
        doc.UpdateLines();
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        doc.SaveToStream(buffer, 0);
        saved = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["cells"] = kLines * kCells;
    state.counters["file_KB"] = double(saved) / 1024;
}
BENCHMARK(BM_LoadUpdateSave)->Unit(benchmark::kMillisecond);

// The three steps on their own.
void BM_Load(benchmark::State& state) {
    QByteArray bytes = LargeTemplate();
    for (auto _ : state) {
        TReportDocument doc;
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(doc.LoadFromStream(in, 0));
    }
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_UpdateLines(benchmark::State& state) {
    QByteArray bytes = LargeTemplate();
    TReportDocument doc;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    doc.LoadFromStream(in, 0);
    for (auto _ : state)
        doc.UpdateLines();
}
BENCHMARK(BM_UpdateLines)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    QByteArray bytes = LargeTemplate();
    TReportDocument doc;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    doc.LoadFromStream(in, 0);
    for (auto _ : state) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        doc.SaveToStream(buffer, 0);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return bench::RunBenchmarks(argc, argv);
}
