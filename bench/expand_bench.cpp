// Expanding a voucher of many detail records into pages: the count pass and the build pass, with
// the detail records in memory and read from a SQLite file through the query component.
//
//   expand_bench --benchmark_filter=InMemory/100000
//   expand_bench --benchmark_filter=Sqlite
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

#include "adoquery.h"
#include "bench_helpers.h"
#include "platform/gbk.h"
#include "runtime/reportruntime.h"

using namespace karvell;

namespace {

// A voucher: title, master fields and column headings; a detail line of eight cells with
// Chinese text and amounts in "0,.00"; a page footer with page totals and a last footer line
// with running totals. 12-point Song cells on a 768 × 1058 page.
QByteArray VoucherTemplate() {
    const bench::CellTable layout = {
        {{"记账凭证", 670, "", 1}},
        {{"@主表.凭证号", 220}, {"@主表.日期", 220}, {"`PageNum/", 230, "", 2}},
        {{"序号", 50},
         {"科目代码", 70},
         {"科目名称", 100},
         {"摘要", 140},
         {"借方金额", 90},
         {"贷方金额", 90},
         {"数量", 50},
         {"备注", 80}},
        {{"#从表.序号", 50},
         {"#从表.科目代码", 70},
         {"#从表.科目名称", 100},
         {"#从表.摘要", 140},
         {"#从表.借方金额", 90, "0,.00", 2},
         {"#从表.贷方金额", 90, "0,.00", 2},
         {"#从表.数量", 50, "", 2},
         {"#从表.备注", 80}},
        {{"本页合计", 360},
         {"`SumPage(5)", 90, "0,.00", 2},
         {"`SumPage(6)", 90, "0,.00", 2},
         {"", 130}},
        {{"总计", 360}, {"`SumAll(5)", 90, "0,.00", 2}, {"`SumAll(6)", 90, "0,.00", 2}, {"", 130}},
    };
    return bench::TemplateFromTable(layout, bench::VoucherPage());
}

const QStringList kDetailFields = {"序号",     "科目代码", "科目名称", "摘要",
                                   "借方金额", "贷方金额", "数量",     "备注"};
const QStringList kAccounts = {"库存现金", "银行存款", "应收账款", "管理费用", "应付职工薪酬"};

QVector<QVariant> DetailRow(int i) {
    const bool debit = i % 2 == 0;
    const double amount = 1000.0 + (i % 997) * 13.37;
    return {i,
            QStringLiteral("10%1").arg(i % 50, 2, 10, QLatin1Char('0')),
            kAccounts[i % kAccounts.size()],
            QStringLiteral("支付办公用品费用第%1笔").arg(i),
            debit ? QVariant(amount) : QVariant(),
            debit ? QVariant() : QVariant(amount),
            i % 7 + 1,
            QStringLiteral("无")};
}

struct Fixture {
    QTemporaryDir dir;
    TDataSet master;
    TReportRunTime runtime;

    Fixture() {
        runtime.SetReportFile(bench::WriteTemplateFile(dir, VoucherTemplate()));
        master.SetFields({{QStringLiteral("凭证号"), FieldKind::Other},
                          {QStringLiteral("日期"), FieldKind::Other}});
        master.AppendRow({QStringLiteral("记-0001"), QStringLiteral("2024-03-05")});
        master.Open();
    }

    void Expand(benchmark::State& state, TDataSet* detail) {
        int pages = 0;
        for (auto _ : state) {
            runtime.FreeDataSets();
            runtime.SetDataSet(Gbk::Encode(QStringLiteral("主表")), &master);
            runtime.SetDataSet(Gbk::Encode(QStringLiteral("从表")), detail);
            pages = runtime.BuildPages(false, 0);
            runtime.BuildPages(true, pages);
            benchmark::DoNotOptimize(runtime.PageStreams.size());
        }
        qint64 bytes = 0;
        for (const QBuffer* b : runtime.PageStreams)
            bytes += b->size();
        state.counters["pages"] = pages;
        state.counters["page_MB"] = double(bytes) / (1024 * 1024);
        state.counters["records/s"] = benchmark::Counter(
            double(detail->RecordCount()), benchmark::Counter::kIsIterationInvariantRate);
        runtime.FreePages();
    }
};

void BM_ExpandInMemory(benchmark::State& state) {
    Fixture f;
    TDataSet detail;
    QVector<FieldDef> fields;
    for (const QString& name : kDetailFields)
        fields.append({name, FieldKind::Other});
    for (int c : {0, 4, 5, 6})
        fields[c].kind = FieldKind::Numeric;
    detail.SetFields(fields);
    for (int i = 1; i <= state.range(0); ++i)
        detail.AppendRow(DetailRow(i));
    detail.Open();
    f.Expand(state, &detail);
}
BENCHMARK(BM_ExpandInMemory)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The SQLite file is written once through Qt's own SQLite driver; the query component reads
// it back like any data source.
QString SqliteFile(const QTemporaryDir& dir, int records) {
    const QString path = dir.filePath("detail.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-writer");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("create table 从表 (序号 integer, 科目代码 text, 科目名称 text, "
                              "摘要 text, 借方金额 real, 贷方金额 real, 数量 integer, 备注 text)"));
        db.transaction();
        q.prepare(QStringLiteral("insert into 从表 values (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 1; i <= records; ++i) {
            const QVector<QVariant> row = DetailRow(i);
            for (int c = 0; c < row.size(); ++c)
                q.bindValue(c, row[c]);
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-writer");
    return path;
}

void BM_ExpandSqlite(benchmark::State& state) {
    Fixture f;
    TADOQuery query;
    query.setObjectName("ADOQueryDetail");
    query.SetConnectionString(SqliteFile(f.dir, int(state.range(0))));
    query.SetSQL({QStringLiteral("select * from 从表 order by 序号")});
    query.Open();
    f.Expand(state, &query);
}
BENCHMARK(BM_ExpandSqlite)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reading the 100,000 rows into memory, for comparison with the expansion itself.
void BM_OpenSqliteQuery(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = SqliteFile(dir, int(state.range(0)));
    for (auto _ : state) {
        TADOQuery query;
        query.SetConnectionString(path);
        query.SetSQL({QStringLiteral("select * from 从表")});
        query.Open();
        benchmark::DoNotOptimize(query.RecordCount());
    }
}
BENCHMARK(BM_OpenSqliteQuery)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return bench::RunBenchmarks(argc, argv);
}
