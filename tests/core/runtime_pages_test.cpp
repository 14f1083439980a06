// The expansion engine: page breaks, footers, blank fill, placeholders and their formats,
// merges carried into pages, and the limits of the total tables.
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "format/dispformat.h"
#include "platform/messages.h"
#include "runtime_helpers.h"

using namespace karvell;
using namespace rtest;

namespace {

const QString kCannotFit = QStringLiteral("表格未能完全处理,请调整单元格宽度或页边距等设置");

// Header 5 × 20 px (H = 100), a detail line of 20 px, page footer 2 × 20 (Fp = 40) and a
// running-total line that only the last footer has (Fl = 60); margins 50 + 50, page 600.
TemplateBuilder VoucherTemplate() {
    TemplateBuilder b;
    b.Line({{QStringLiteral("凭证")}})
        .Line({{QStringLiteral("@主表.凭证号")}})
        .Line({{QStringLiteral("`PageNum/"), 120}})
        .Lines(2, QStringLiteral("表头"))
        .Line({{QStringLiteral("#从表.序号")},
               {QStringLiteral("#从表.摘要"), 80},
               {QStringLiteral("#从表.金额"), 80, QStringLiteral("0.00")}})
        .Line({{QStringLiteral("`SumPage(3)"), 120, QStringLiteral("0.00")}})
        .Line({{QStringLiteral("小计")}})
        .Line({{QStringLiteral("`SumAll(3)"), 120, QStringLiteral("0.00")}});
    return b;
}

struct Voucher {
    QTemporaryDir dir;
    std::unique_ptr<TDataSet> master;
    std::unique_ptr<TDataSet> detail;
    TReportRunTime runtime;

    explicit Voucher(int records, const TemplateBuilder& builder = VoucherTemplate()) {
        master = MakeDataSet(QStringLiteral("Main"), {{QStringLiteral("凭证号"), FieldKind::Other}},
                             {{QStringLiteral("记-001")}});
        QVector<QVector<QVariant>> rows;
        for (int i = 1; i <= records; ++i)
            rows.append({i, QStringLiteral("摘要%1").arg(i), Amount(i)});
        detail = MakeDataSet(QStringLiteral("Detail"),
                             {{QStringLiteral("序号"), FieldKind::Numeric},
                              {QStringLiteral("摘要"), FieldKind::Other},
                              {QStringLiteral("金额"), FieldKind::Numeric}},
                             rows);
        runtime.SetReportFile(builder.Save(dir));
        runtime.SetDataSet(G(QStringLiteral("主表")), master.get());
        runtime.SetDataSet(G(QStringLiteral("从表")), detail.get());
    }
    static double Amount(int i) { return i * 1.25; }
    // count pass, then build pass; answers (count, detail index)
    std::pair<int, int> Run() {
        const int count = runtime.BuildPages(false, 0);
        const int detailIndex = runtime.BuildPages(true, count);
        return {count, detailIndex};
    }
};

QString Money(double v) {
    return v == 0 ? QString() : FormatFloat("0.00", v);
}

struct FigureCase {
    int records;
    bool addSpace;
    QList<int> perPage; // detail records on each page
    int blanks;         // blank lines on the last page
};

void PrintTo(const FigureCase& c, std::ostream* os) {
    *os << c.records << " records" << (c.addSpace ? " with blank fill" : "");
}

class PageFigures : public ::testing::TestWithParam<FigureCase> {};

TEST_P(PageFigures, PagesHoldTheRecordsThatFit) {
    const FigureCase& c = GetParam();
    ScriptedMessages messages;
    Voucher v(c.records);
    v.runtime.SetAddSpace(c.addSpace);
    const auto [count, detailIndex] = v.Run();

    const int pageCount = int(c.perPage.size());
    EXPECT_EQ(count, pageCount);
    EXPECT_EQ(detailIndex, 5);
    const auto pages = ReadPages(v.runtime);
    ASSERT_EQ(int(pages.size()), pageCount);
    EXPECT_TRUE(v.runtime.Outcome.Notes.isEmpty());

    int next = 1;
    double grand = 0;
    for (int p = 0; p < pageCount; ++p) {
        const Page& page = pages[p];
        const bool last = p == pageCount - 1;
        const int blanks = last ? c.blanks : 0;
        const int detailLines = c.perPage[p] + blanks;
        SCOPED_TRACE(p + 1);
        EXPECT_EQ(page.FooterLineIndex(), 5 + detailLines);
        ASSERT_EQ(page.LineCount(), 5 + detailLines + (last ? 3 : 2));
        EXPECT_EQ(page.LineText(1), QStringLiteral("记-001"));
        EXPECT_EQ(page.LineText(2), QStringLiteral("第 %1/%2 页").arg(p + 1).arg(pageCount));
        double pageSum = 0;
        for (int r = 0; r < c.perPage[p]; ++r, ++next) {
            EXPECT_EQ(page.LineText(5 + r), QStringLiteral("%1|摘要%1|%2")
                                                .arg(next)
                                                .arg(FormatFloat("0.00", Voucher::Amount(next))));
            pageSum += Voucher::Amount(next);
        }
        for (int r = c.perPage[p]; r < detailLines; ++r)
            EXPECT_EQ(page.LineText(5 + r), QStringLiteral("||"));
        grand += pageSum;
        const int f = page.FooterLineIndex();
        EXPECT_EQ(page.LineText(f), Money(pageSum));
        EXPECT_EQ(page.LineText(f + 1), QStringLiteral("小计"));
        if (last) {
            EXPECT_EQ(page.LineText(f + 2), Money(grand));
        }
    }
    EXPECT_EQ(next, c.records + 1) << "every record is placed exactly once";
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, PageFigures,
    ::testing::Values(FigureCase{25, false, {18, 7}, 0}, FigureCase{36, false, {18, 17, 1}, 0},
                      FigureCase{25, true, {18, 7}, 10}, FigureCase{36, true, {18, 17, 1}, 16},
                      FigureCase{18, false, {17, 1}, 0}, FigureCase{0, true, {0}, 17}));

TEST(RuntimePages, NoRecordsWithoutBlankFillGivesNoPage) {
    ScriptedMessages messages;
    Voucher v(0);
    const auto [count, detailIndex] = v.Run();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(detailIndex, 5);
    EXPECT_TRUE(v.runtime.PageStreams.isEmpty());
    EXPECT_EQ(v.runtime.Outcome.Notes, QStringList{kCannotFit}); // once, for both passes
    EXPECT_TRUE(v.runtime.PageLines.isEmpty());
    EXPECT_TRUE(v.runtime.CellTables.isEmpty());
}

TEST(RuntimePages, PageTooShortForOneRecordKeepsEarlierPages) {
    // Records grow taller than a page can hold from the third one on.
    ScriptedMessages messages;
    QTemporaryDir dir;
    TemplateBuilder b;
    b.pageHeight = 260;
    b.Line({{QStringLiteral("头")}}).Line({{QStringLiteral("#D.t"), 60}});
    b.Line({{QStringLiteral("尾")}});
    auto ds = MakeDataSet(QStringLiteral("D"), {{QStringLiteral("t"), FieldKind::Other}},
                          {{QStringLiteral("a")},
                           {QStringLiteral("b")},
                           {QString(QStringLiteral("很长的文字")).repeated(40)}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("D", ds.get());
    EXPECT_EQ(rt.BuildPages(false, 0), 1);
    EXPECT_EQ(rt.BuildPages(true, 1), 1);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    EXPECT_EQ(ReadPage(rt.PageStreams[0]).AllLines(),
              QStringList({QStringLiteral("头"), "a", "b", QStringLiteral("尾")}));
    EXPECT_EQ(rt.Outcome.Notes, QStringList{kCannotFit});
}

TEST(RuntimePages, HeaderAndFooterTallerThanThePageEndTheRunWithAnError) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.pageHeight = 200;
    b.Line({{QStringLiteral("头")}}, 120).Line({{QStringLiteral("#D.t")}});
    b.Line({{QStringLiteral("尾")}}, 60);
    auto ds = MakeDataSet("D", {{"t", FieldKind::Other}}, {{"a"}, {"b"}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("D", ds.get());
    EXPECT_THROW(rt.BuildPages(false, 0), KarvellError);
    EXPECT_TRUE(rt.PageLines.isEmpty());
    EXPECT_TRUE(rt.CellTables.isEmpty());
}

TEST(RuntimePages, TemplateWithoutDetailLineIsOnePageNeverSplit) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Lines(40, QStringLiteral("行")); // 800 px on a 600 px page
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    EXPECT_EQ(rt.BuildPages(false, 0), 1);
    EXPECT_EQ(rt.BuildPages(true, 1), 0);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    EXPECT_EQ(page.LineCount(), 40);
    EXPECT_EQ(page.FooterLineIndex(), 0);

    TReportRunTime empty; // nothing loaded: one empty page
    EXPECT_EQ(empty.BuildPages(false, 0), 1);
    EXPECT_EQ(empty.BuildPages(true, 1), 0);
    ASSERT_EQ(empty.PageStreams.size(), 1);
    EXPECT_EQ(ReadPage(empty.PageStreams[0]).LineCount(), 0);
}

TEST(RuntimePages, UnregisteredDetailNameLeavesDetailCellsEmpty) {
    ScriptedMessages messages;
    Voucher v(5);
    v.runtime.FreeDataSets();
    v.runtime.SetDataSet(G(QStringLiteral("主表")), v.master.get());
    v.runtime.SetAddSpace(true);
    const auto [count, detailIndex] = v.Run();
    EXPECT_EQ(count, 1);
    const auto pages = ReadPages(v.runtime);
    ASSERT_EQ(pages.size(), 1u);
    const Page& page = pages[0];
    EXPECT_EQ(page.FooterLineIndex(), 5 + 17);
    for (int i = 5; i < page.FooterLineIndex(); ++i)
        EXPECT_EQ(page.LineText(i), QStringLiteral("||"));
}

TEST(RuntimePages, DetailFieldsInTheFooterShowTheFirstRecord) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{QStringLiteral("#D.t")}}).Line({{QStringLiteral("#D.t")}});
    auto ds = MakeDataSet("D", {{"t", FieldKind::Other}}, {{"a"}, {"b"}, {"c"}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("d", ds.get()); // names are upper-cased on both sides
    EXPECT_EQ(rt.BuildPages(true, 1), 0);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    EXPECT_EQ(ReadPage(rt.PageStreams[0]).AllLines(), QStringList({"a", "b", "c", "a"}));
    EXPECT_TRUE(ds->Eof());
}

TEST(RuntimePages, MissingFieldEndsTheRunWithTheDataError) {
    Voucher v(3);
    // A newer registration of the same name wins; this data set lacks the field 摘要.
    auto bad = MakeDataSet(QStringLiteral("Detail"), {{QStringLiteral("序号"), FieldKind::Numeric}},
                           {{1}, {2}});
    v.runtime.SetDataSet(G(QStringLiteral("从表")), bad.get());
    try {
        v.runtime.BuildPages(false, 0);
        FAIL() << "no error";
    } catch (const KarvellError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("摘要"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("Detail")));
    }
    EXPECT_TRUE(v.runtime.CellTables.isEmpty());
}

TEST(RuntimePages, TextInAColumnATotalReadsShowsMessageAndAnswersZero) {
    // A total needs the column's values as amounts; without one, a text is only shown.
    for (const bool withTotal : {true, false}) {
        SCOPED_TRACE(withTotal);
        ScriptedMessages messages;
        QTemporaryDir dir;
        TemplateBuilder b;
        b.Line({{QStringLiteral("#D.n")}})
            .Line({{withTotal ? QStringLiteral("`SumAll(1)") : QStringLiteral("尾")}});
        auto ds = MakeDataSet("D", {{"n", FieldKind::Numeric}}, {{1}, {QStringLiteral("x")}, {3}});
        TReportRunTime rt;
        rt.SetReportFile(b.Save(dir));
        rt.SetDataSet("D", ds.get());
        if (withTotal) {
            EXPECT_EQ(rt.BuildPages(false, 0), 0);
            EXPECT_EQ(rt.Outcome.Notes,
                      QStringList{QStringLiteral("统计时发生错误，请检查模板设置是否正确")});
            EXPECT_TRUE(rt.Outcome.RunIssue.contains(QStringLiteral("第 2 条记录")))
                << rt.Outcome.RunIssue.toStdString();
        } else {
            EXPECT_EQ(rt.BuildPages(false, 0), 1);
            EXPECT_TRUE(rt.Outcome.Notes.isEmpty());
        }
    }
}

// Master fields with display formats, as a table of (format, value, shown text).
struct ValueCase {
    QString format;
    QVariant value;
    FieldKind kind;
    QString shown;
};

TEST(RuntimePages, MasterFieldsShowFormattedValues) {
    const QList<ValueCase> cases = {
        {"0,.00", 1000000.25, FieldKind::Numeric, "1,000,000.25"},
        {"0", 2.5, FieldKind::Numeric, "3"},
        {"0", -2.5, FieldKind::Numeric, "-3"},
        {"0.00", 12.125, FieldKind::Numeric, "12.13"},
        {"0.00", QVariant(), FieldKind::Numeric, ""},
        {"", 12.125, FieldKind::Numeric, "12.125"},
        {"", 1000000.0, FieldKind::Numeric, "1000000"},
        {QStringLiteral("0.00;(0.00);零"), -4.5, FieldKind::Numeric, "(4.50)"},
        {QStringLiteral("0.00;(0.00);零"), 0.0, FieldKind::Numeric, QStringLiteral("零")},
        {"0.00", QStringLiteral("文字"), FieldKind::Other, QStringLiteral("文字")},
        // Text that reads as a number is one, whatever the declared type, converted from its
        // digits (1.005 as a double is 1.00499…).
        {"0,.00", QStringLiteral("2356.50"), FieldKind::Other, "2,356.50"},
        {"0,.00", QStringLiteral(" 2356.5 "), FieldKind::Numeric, "2,356.50"},
        {"0.00", QStringLiteral("1.005"), FieldKind::Other, "1.01"},
        {"0.00", QStringLiteral("12345678901234567.89"), FieldKind::Numeric,
         "12345678901234567.89"},
        {"0.00", QStringLiteral("1.0e+3"), FieldKind::Other, "1000.00"},
        {QStringLiteral("[大写]"), QStringLiteral("1409.5"), FieldKind::Other,
         QStringLiteral("壹仟肆佰零玖元伍角")},
        {"", QStringLiteral("2024033100000001"), FieldKind::Numeric, "2024033100000001"},
        {"", QVariant(Q_INT64_C(2024033100000001)), FieldKind::Numeric, "2024033100000001"},
        {"", QStringLiteral("2356.50"), FieldKind::Numeric, "2356.5"},
        {"", QStringLiteral("0087"), FieldKind::Other, "0087"},
        {"0.00", QStringLiteral("abc"), FieldKind::Numeric, "abc"}, // shown only: its text
        // A NUL is dropped, not the rest of the text; data is never a function.
        {"", QString::fromUtf16(u"a\0b", 3), FieldKind::Other, "ab"},
        {"", QStringLiteral("`PageNum/"), FieldKind::Other, "`PageNum/"},
        {"", QStringLiteral("`SumAll(1)"), FieldKind::Other, "`SumAll(1)"},
        {"", QStringLiteral("王𠀀䶮"), FieldKind::Other, QStringLiteral("王𠀀䶮")},
    };
    QTemporaryDir dir;
    TemplateBuilder b;
    QVector<FieldDef> fields;
    QVector<QVariant> row;
    for (int i = 0; i < cases.size(); ++i) {
        b.Line({{QStringLiteral("@ 主 表 .f%1").arg(i), 120, cases[i].format}});
        fields.append({QStringLiteral("F%1").arg(i), cases[i].kind});
        row.append(cases[i].value);
    }
    auto ds = MakeDataSet("M", fields, {row});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet(G(QStringLiteral("主表")), ds.get());
    EXPECT_EQ(rt.BuildPages(true, 1), 0);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    ASSERT_EQ(page.LineCount(), cases.size());
    for (int i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(page.LineText(i), cases[i].shown) << "case " << i;
        // Pages carry no display formats.
        EXPECT_TRUE(page.data->lines[i]->Cells[0]->CellDispFormat.isEmpty());
    }
}

TEST(RuntimePages, VariablesArePrintedAsTheyStand) {
    // Set directly (as --var does) and through a SetData line; neither value is evaluated.
    ScriptedMessages messages;
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{QStringLiteral("`A"), 120}})
        .Line({{QStringLiteral("`B"), 120}})
        .Line({{QStringLiteral("`PageNum/"), 120}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetVarValue("A", "`PageNum/");
    rt.RunSetDataLine("SETVARVALUE(B,`SumAll(1)", false, true);
    EXPECT_EQ(rt.BuildPages(true, 1), 0);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    EXPECT_EQ(page.LineText(0), QStringLiteral("`PageNum/"));
    EXPECT_EQ(page.LineText(1), QStringLiteral("`SumAll(1"));
    EXPECT_EQ(page.LineText(2), QStringLiteral("第 1/1 页")); // the template's own function
    EXPECT_TRUE(rt.Outcome.Notes.isEmpty());
}

TEST(RuntimePages, ValuesThatCannotBePrintedAreDataErrors) {
    // Each names the record and the field: an amount format with a text, NaN in a numeric
    // column, a date column's value that is no calendar date.
    const struct {
        QString format;
        QString value;
        FieldDef field;
        QString mentions;
    } cases[] = {
        {QStringLiteral("[大写]"),
         QStringLiteral("abc"),
         {QStringLiteral("F"), FieldKind::Other},
         QStringLiteral("abc")},
        {QStringLiteral("[金额线11]"),
         QStringLiteral("1,000"),
         {QStringLiteral("F"), FieldKind::Numeric},
         QStringLiteral("1,000")},
        {QString(),
         QStringLiteral("NaN"),
         {QStringLiteral("F"), FieldKind::Numeric},
         QStringLiteral("NaN")},
        {QString(),
         QStringLiteral("infinity"),
         {QStringLiteral("F"), FieldKind::Other, true},
         QStringLiteral("infinity")},
        {QString(),
         QStringLiteral("4713-01-01 BC"),
         {QStringLiteral("F"), FieldKind::Other, true},
         QStringLiteral("4713-01-01 BC")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        QTemporaryDir dir;
        TemplateBuilder b;
        b.Line({{QStringLiteral("@主表.F"), 120, c.format}});
        auto ds = MakeDataSet("M", {c.field}, {{c.value}});
        TReportRunTime rt;
        rt.SetReportFile(b.Save(dir));
        rt.SetDataSet(G(QStringLiteral("主表")), ds.get());
        try {
            rt.BuildPages(true, 1);
            FAIL() << "no error";
        } catch (const KarvellError& e) {
            for (const QString& m :
                 {c.mentions, QStringLiteral("第 1 条记录"), QStringLiteral("F")})
                EXPECT_TRUE(e.message().contains(m)) << e.message().toStdString();
        }
    }
}

TEST(RuntimePages, LongValuesAreCutAndLargeObjectsBecomePictures) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    const QString longText = QStringLiteral("a") + QString(1600, QChar(0x6C49)); // a汉汉…
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{"@M.text", 600}, {"@M.pic"}, {"@M.junk"}, {"@M.none"}}, 600);
    auto ds = MakeDataSet("M",
                          {{"text", FieldKind::Other},
                           {"pic", FieldKind::LargeObject},
                           {"junk", FieldKind::LargeObject},
                           {"none", FieldKind::LargeObject}},
                          {{longText, png, QByteArray("not a picture"), QVariant()}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("M", ds.get());
    rt.BuildPages(true, 1);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    const auto& cells = page.data->lines[0]->Cells;
    EXPECT_EQ(cells[0]->CellText.size(), 2999); // never ends inside a character
    EXPECT_EQ(U(cells[0]->CellText), longText.left(1500));
    EXPECT_TRUE(cells[1]->HasBitmap);
    EXPECT_EQ(cells[1]->CellBitmap->image.size(), QSize(6, 4));
    EXPECT_EQ(cells[1]->CellBitmap->image.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_TRUE(cells[1]->CellText.isEmpty());
    EXPECT_FALSE(cells[2]->HasBitmap);
    EXPECT_TRUE(cells[2]->CellText.isEmpty());
    EXPECT_FALSE(cells[3]->HasBitmap);
}

TEST(RuntimePages, MergedBlocksSurviveIntoPages) {
    // A block inside the header (lines 0-1, cell 0) and one from the header's last line down
    // through every detail line of the page (cell 1).
    QTemporaryDir dir;
    TemplateBuilder b;
    b.pageHeight = 300; // header 60 + footer 20 + margins 100: six records a page
    b.Line({{QStringLiteral("甲")}, {"x"}})
        .Line({{QStringLiteral("乙")}, {"y"}})
        .Line({{"h"}, {QStringLiteral("合并")}})
        .Line({{"#D.t"}, {"#D.t"}})
        .Line({{QStringLiteral("尾")}, {"z"}})
        .Merge(0, 0, 1)
        .Merge(2, 1, 3);
    auto ds = MakeDataSet("D", {{"t", FieldKind::Other}},
                          {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}, {"7"}, {"8"}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("D", ds.get());
    const int count = rt.BuildPages(false, 0);
    EXPECT_EQ(count, 2);
    rt.BuildPages(true, count);
    const auto pages = ReadPages(rt);
    ASSERT_EQ(pages.size(), 2u);
    const QList<int> perPage = {6, 2};
    for (int p = 0; p < 2; ++p) {
        SCOPED_TRACE(p);
        const auto& lines = pages[p].data->lines;
        ASSERT_EQ(lines.size(), 3 + perPage[p] + 1);
        const TReportCell* headerTop = lines[0]->Cells[0];
        ASSERT_EQ(headerTop->OwnedCells.size(), 1);
        EXPECT_EQ(headerTop->OwnedCells[0], lines[1]->Cells[0]);
        EXPECT_EQ(U(headerTop->CellText), QStringLiteral("甲乙"));
        const TReportCell* top = lines[2]->Cells[1];
        ASSERT_EQ(top->OwnedCells.size(), perPage[p]);
        for (int r = 0; r < perPage[p]; ++r) {
            EXPECT_EQ(top->OwnedCells[r], lines[3 + r]->Cells[1]);
            EXPECT_TRUE(lines[3 + r]->Cells[1]->CellText.isEmpty());
        }
        // Merging moved the covered placeholder's text into the merge top.
        EXPECT_EQ(U(top->CellText), QStringLiteral("合并#D.t"));
        EXPECT_EQ(U(lines[3]->Cells[0]->CellText), QString::number(p * 6 + 1));
        EXPECT_TRUE(lines.last()->Cells[1]->OwnerCell == nullptr);
    }
}

TEST(RuntimePages, TotalsStayInsideTheFortyOneColumns) {
    // A detail line of 45 numeric cells; column n holds n on every record.
    QList<CellSpec> detailCells;
    QVector<FieldDef> fields;
    QVector<QVariant> row;
    for (int n = 1; n <= 45; ++n) {
        detailCells.append({QStringLiteral("#D.c%1").arg(n), 10});
        fields.append({QStringLiteral("c%1").arg(n), FieldKind::Numeric});
        row.append(n);
    }
    QTemporaryDir dir;
    TemplateBuilder b;
    b.pageWidth = 800;
    b.Line(detailCells)
        .Line({{"`SumPage(41)", 100},
               {"`SumPage(42)", 100},
               {"`SumAll(45-1)", 100},
               {"`SumAll(40+41)", 100}});
    auto ds = MakeDataSet("D", fields, {row, row});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("D", ds.get());
    ScriptedMessages messages;
    rt.BuildPages(true, 1);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    EXPECT_EQ(page.LineText(page.FooterLineIndex()), QStringLiteral("82||-2|162"));
    EXPECT_TRUE(rt.Outcome.Notes.isEmpty());
}

} // namespace
