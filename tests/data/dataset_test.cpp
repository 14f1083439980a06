// The in-memory data set: navigation, field lookup and the display text of values.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <cmath>

#include "platform/error.h"
#include "runtime/dataset.h"

using namespace karvell;

namespace {

// A data set named like the designer's detail query, holding `rows` records numbered 1..rows.
std::unique_ptr<TDataSet> MakeDataSet(int rows) {
    auto ds = std::make_unique<TDataSet>();
    ds->setObjectName(QStringLiteral("ADOQueryDetail"));
    ds->SetFields(
        {{QStringLiteral("No"), FieldKind::Numeric}, {QStringLiteral("摘要"), FieldKind::Other}});
    for (int i = 1; i <= rows; ++i)
        ds->AppendRow({i, QStringLiteral("第%1行").arg(i)});
    return ds;
}

struct Step {
    char op;    // F first, N next, P prior, L last, O open
    int record; // expected value of field No, 0 for null
    bool eof;
    bool bof;
};

struct NavCase {
    const char* name;
    int rows;
    std::vector<Step> steps;
};

} // namespace

TEST(DataSetNavigation, FollowsThePlatformCursorRules) {
    const std::vector<NavCase> cases = {
        {"three records",
         3,
         {{'O', 1, false, true},
          {'N', 2, false, false},
          {'N', 3, false, false},
          {'N', 3, true, false}, // past the last: Eof, still on the last record
          {'N', 3, true, false},
          {'P', 2, false, false},
          {'P', 1, false, false},
          {'P', 1, false, true}, // prior at the first: Bof
          {'P', 1, false, true},
          {'L', 3, true, false}, // last: on the last record, Eof set
          {'P', 2, false, false},
          {'F', 1, false, true}}},
        {"one record", 1, {{'O', 1, false, true}, {'N', 1, true, false}, {'P', 1, false, true}}},
        {"no records",
         0,
         {{'O', 0, true, true}, {'N', 0, true, true}, {'P', 0, true, true}, {'L', 0, true, true}}},
    };
    for (const NavCase& c : cases) {
        auto ds = MakeDataSet(c.rows);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            switch (s.op) {
            case 'O':
                ds->Open();
                break;
            case 'F':
                ds->First();
                break;
            case 'N':
                ds->Next();
                break;
            case 'P':
                ds->Prior();
                break;
            case 'L':
                ds->Last();
                break;
            }
            SCOPED_TRACE(testing::Message() << c.name << ", step " << i << " '" << s.op << "'");
            EXPECT_EQ(ds->RecordCount(), c.rows);
            EXPECT_EQ(ds->Eof(), s.eof);
            EXPECT_EQ(ds->Bof(), s.bof);
            const TField no = ds->FieldByName(QStringLiteral("No"));
            if (s.record == 0) {
                EXPECT_TRUE(no.IsNull());
                EXPECT_EQ(no.DisplayText(), QString());
            } else {
                EXPECT_EQ(no.AsFloat(), s.record);
                EXPECT_EQ(ds->FieldByName(QStringLiteral("摘要")).DisplayText(),
                          QStringLiteral("第%1行").arg(s.record));
            }
        }
    }
}

TEST(DataSetNavigation, ClosedDataSetRefusesAccessWithAnError) {
    auto ds = MakeDataSet(2);
    EXPECT_FALSE(ds->Active());
    EXPECT_TRUE(ds->Eof());
    EXPECT_THROW(ds->Next(), KarvellError);
    EXPECT_THROW(ds->First(), KarvellError);
    try {
        ds->FieldByName(QStringLiteral("No"));
        FAIL() << "no error for a closed data set";
    } catch (const KarvellError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ADOQueryDetail"))) << e.what();
    }
    ds->Open();
    const TField field = ds->FieldByName(QStringLiteral("No"));
    ds->Close();
    EXPECT_THROW(field.Value(), KarvellError);
    // Reopening an in-memory data set keeps its rows and starts at the first one.
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 2);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("no")).AsFloat(), 1);
}

TEST(DataSetFields, LookupIgnoresCaseAndMissingNamesAreErrors) {
    auto ds = MakeDataSet(1);
    ds->Open();
    EXPECT_EQ(ds->FieldByName(QStringLiteral("NO")).FieldName(), QStringLiteral("No"));
    EXPECT_EQ(ds->FindField(QStringLiteral("nO")), 0);
    EXPECT_EQ(ds->FindField(QStringLiteral("摘要")), 1);
    EXPECT_EQ(ds->FindField(QStringLiteral("借方金额")), -1);
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("no")).IsNumeric());
    EXPECT_EQ(ds->FieldNames(), QStringList({QStringLiteral("No"), QStringLiteral("摘要")}));
    try {
        ds->FieldByName(QStringLiteral("借方金额"));
        FAIL() << "no error for a missing field";
    } catch (const KarvellError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ADOQueryDetail"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("借方金额"))) << e.what();
    }
}

TEST(FloatToStr, ShortestFormUpToFifteenDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1000000.25, "1000000.25"},
        {0.1, "0.1"},
        {2.5, "2.5"},
        {-2.5, "-2.5"},
        {1e20, "1E20"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0, "0"},
        {100, "100"},
        {-7, "-7"},
        {123456789012345, "123456789012345"},
        {1e15, "1E15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {-1.5e-10, "-1.5E-10"},
        {0.1 + 0.2, "0.3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToStr(c.value), QString::fromUtf8(c.text)) << c.value;
}

class DisplayTextTest : public testing::Test {
protected:
    void TearDown() override { SetShortDateFormat(QStringLiteral("yyyy/M/d")); }
};

TEST_F(DisplayTextTest, ValuesOfEveryKind) {
    TDataSet ds;
    ds.SetFields({{QStringLiteral("v"), FieldKind::Other}});
    const QVariant values[] = {
        QVariant(qlonglong(123456789012345678)),
        QVariant(2.5),
        QVariant(true),
        QVariant(false),
        QVariant(QDate(2024, 1, 5)),
        QVariant(QDateTime(QDate(2024, 12, 31), QTime(0, 0))),
        QVariant(QDateTime(QDate(2024, 12, 31), QTime(13, 5, 9))),
        QVariant(QTime(8, 30, 0)),
        QVariant(QStringLiteral("购买办公用品")),
        QVariant(QMetaType::fromType<double>()), // a null number
    };
    for (const QVariant& v : values)
        ds.AppendRow({v});
    ds.Open();
    const auto texts = [&ds] {
        QStringList out;
        for (ds.First(); !ds.Eof(); ds.Next())
            out << ds.FieldByName(QStringLiteral("V")).DisplayText();
        return out;
    };
    EXPECT_EQ(texts(),
              QStringList({"123456789012345678", "2.5", "True", "False", "2024/1/5", "2024/12/31",
                           "2024/12/31 13:05:09", "08:30:00", QStringLiteral("购买办公用品"), ""}));
    SetShortDateFormat(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("yyyy-MM-dd"));
    const QStringList after = texts();
    EXPECT_EQ(after[4], QStringLiteral("2024-01-05"));
    EXPECT_EQ(after[6], QStringLiteral("2024-12-31 13:05:09"));
}

TEST(DataSetFields, AsFloatConvertsNumbersAndNumericTextOnly) {
    TDataSet ds;
    ds.setObjectName(QStringLiteral("T1"));
    ds.SetFields({{QStringLiteral("v"), FieldKind::Numeric}});
    ds.AppendRow({QStringLiteral(" 12.5 ")});
    ds.AppendRow({QVariant()});
    ds.AppendRow({QStringLiteral("abc")});
    ds.AppendRow({QByteArray("BM\0\1", 4)});
    ds.Open();
    const TField v = ds.FieldByName(QStringLiteral("v"));
    EXPECT_EQ(v.AsFloat(), 12.5);
    ds.Next();
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(v.AsFloat(), 0);
    ds.Next();
    EXPECT_THROW(v.AsFloat(), KarvellError);
    ds.Next();
    EXPECT_EQ(v.BlobData(), QByteArray("BM\0\1", 4));
}
