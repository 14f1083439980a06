// CSV and JSON data sets: values exactly as the file writes them, column kinds, and every fault
// named with the file, the line (or object) and the field.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "filedataset.h"
#include "platform/error.h"

using namespace karvell;

namespace {

QString Written(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return QString();
    return path;
}

QString OpenError(TFileDataSet& data) {
    try {
        data.Open();
    } catch (const KarvellError& e) {
        return e.message();
    }
    return QString();
}

TEST(FileDataSet, CsvKeepsTextsAndDigitsExactlyWithRfc4180Quoting) {
    QTemporaryDir dir;
    const QString path = Written(dir, QStringLiteral("d.csv"),
                                 "\xEF\xBB\xBF序号,摘要,金额,代码\r\n"
                                 "1,\"提取现金, 备用\",2356.50,0087\r\n"
                                 "2,\"两行\n\"\"引号\"\"\",12345678901234567890.01,\"\"\n"
                                 "3,,-0.05,A1\n");
    TFileDataSet data;
    data.setObjectName(QStringLiteral("从表"));
    data.SetSource(TFileDataSet::Format::Csv, path);
    ASSERT_EQ(OpenError(data), QString());
    EXPECT_EQ(data.FieldNames(), QStringList({QStringLiteral("序号"), QStringLiteral("摘要"),
                                              QStringLiteral("金额"), QStringLiteral("代码")}));
    ASSERT_EQ(data.RecordCount(), 3);
    EXPECT_EQ(data.CellValue(0, 1).toString(), QStringLiteral("提取现金, 备用"));
    EXPECT_EQ(data.CellValue(1, 1).toString(), QStringLiteral("两行\n\"引号\""));
    EXPECT_EQ(data.CellValue(1, 2).toString(), QStringLiteral("12345678901234567890.01"));
    EXPECT_TRUE(data.CellValue(2, 1).isNull()) << "an unquoted empty value is null";
    EXPECT_FALSE(data.CellValue(1, 3).isNull()) << "\"\" is an empty text";
    EXPECT_EQ(data.Fields()[0].kind, FieldKind::Numeric);
    EXPECT_EQ(data.Fields()[2].kind, FieldKind::Numeric);
    EXPECT_EQ(data.Fields()[1].kind, FieldKind::Other);
    EXPECT_EQ(data.Fields()[3].kind, FieldKind::Other);
    data.Next();
    DecimalValue d;
    ASSERT_TRUE(data.FieldByName(QStringLiteral("金额")).ReadNumber(&d));
    EXPECT_EQ(d.digits, QByteArray("1234567890123456789001"));
}

TEST(FileDataSet, JsonNumbersKeepTheirDigitsAndStringsStayTexts) {
    QTemporaryDir dir;
    const QString path = Written(dir, QStringLiteral("d.json"),
                                 R"([{"序号": 1, "金额": 2356.50, "代码": "0087", "ok": true},
 {"序号": 2, "金额": 2024033100000000001, "代码": "\u4e2d\ud83d\ude00\n", "ok": null},
 {"序号": 3, "金额": -1.0e+3, "代码": "x", "ok": false}])");
    TFileDataSet data;
    data.SetSource(TFileDataSet::Format::Json, path);
    ASSERT_EQ(OpenError(data), QString());
    ASSERT_EQ(data.RecordCount(), 3);
    EXPECT_EQ(data.CellValue(0, 1).toString(), QStringLiteral("2356.50"));
    EXPECT_EQ(data.CellValue(1, 1).toString(), QStringLiteral("2024033100000000001"));
    EXPECT_EQ(data.CellValue(2, 1).toString(), QStringLiteral("-1.0e+3"));
    EXPECT_EQ(data.CellValue(1, 2).toString(), QString::fromUtf8("中😀\n"));
    EXPECT_TRUE(data.CellValue(1, 3).isNull());
    EXPECT_EQ(data.CellValue(0, 3).metaType().id(), QMetaType::Bool);
    EXPECT_EQ(data.Fields()[1].kind, FieldKind::Numeric);
    EXPECT_EQ(data.Fields()[2].kind, FieldKind::Other) << "\"0087\" is a code, not 87";
    data.Next();
    EXPECT_EQ(data.FieldByName(QStringLiteral("金额")).DisplayText(),
              QStringLiteral("2024033100000000001"));
}

struct BadCase {
    const char* name;
    const char* file; // d.csv or d.json
    QByteArray bytes;
    QStringList template_fields; // fields the template uses ({} to test parsing only)
    const char* expected;        // the message after "数据文件 <path> "
};

class FileDataSetBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(FileDataSetBad, IsRefusedNamingFileLineAndField) {
    const BadCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = Written(dir, QString::fromLatin1(c.file), c.bytes);
    TFileDataSet data;
    data.SetSource(QString::fromLatin1(c.file).endsWith(QLatin1String(".csv"))
                       ? TFileDataSet::Format::Csv
                       : TFileDataSet::Format::Json,
                   path);
    QString error = OpenError(data);
    if (error.isEmpty()) {
        try {
            data.RequireFields(c.template_fields);
        } catch (const KarvellError& e) {
            error = e.message();
        }
    }
    EXPECT_EQ(error, QStringLiteral("数据文件 %1 %2").arg(path, QString::fromUtf8(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileDataSetBad,
    ::testing::Values(
        BadCase{"RaggedRow",
                "d.csv",
                "a,b\n1,2\n3\n",
                {},
                "第 3 行：有 1 个字段，而第一行有 2 个字段名"},
        BadCase{"RaggedLongRow",
                "d.csv",
                "a,b\n1,\"x\ny\",3\n",
                {},
                "第 2 行：有 3 个字段，而第一行有 2 个字段名"},
        BadCase{"QuoteInsideValue",
                "d.csv",
                "a,b\n1,2\n3,x\"y\n",
                {},
                "第 3 行：第 2 个字段中有未加引号的引号"},
        BadCase{"TextAfterClosingQuote",
                "d.csv",
                "a,b\n\"1\"x,2\n",
                {},
                "第 2 行：第 1 个字段的结束引号后还有字符"},
        BadCase{"UnclosedQuote", "d.csv", "a,b\n1,2\n3,\"4\n5\n", {}, "第 3 行：引号没有结束"},
        BadCase{"InvalidUtf8",
                "d.csv",
                "a,b\n1,2\n3,\xC3\x28\n",
                {},
                "第 3 行：第 2 个字段（b）中有不是有效 UTF-8 编码的字节"},
        BadCase{"Gbk",
                "d.csv",
                "a,b\n1,\xBC\xC7\n",
                {},
                "第 2 行：第 2 个字段（b）中有不是有效 UTF-8 编码的字节"},
        BadCase{"BadByteOnTheSecondLineOfAQuotedValue",
                "d.csv",
                "a,b\n1,\"x\ny\xFF\"\n",
                {},
                "第 3 行：第 2 个字段（b）中有不是有效 UTF-8 编码的字节"},
        BadCase{"BadByteInTheHeader",
                "d.csv",
                "a,\xFF\n",
                {},
                "第 1 行：第 2 个字段中有不是有效 UTF-8 编码的字节"},
        BadCase{"DuplicateName", "d.csv", "a,A\n1,2\n", {}, "第 1 行：字段名 A 重复"},
        BadCase{"EmptyFile", "d.csv", "", {}, "第 1 行：没有字段名（第一行应是字段名）"},
        BadCase{"CsvFieldMissing",
                "d.csv",
                "a,b\n1,2\n",
                {"a", "借方金额"},
                "第 1 行：没有模板使用的字段 借方金额（第一行的字段名中没有）"},
        BadCase{"NotAnArray",
                "d.json",
                R"({"a": 1})",
                {},
                "第 1 行：内容应是一个对象数组（以 [ 开始）"},
        BadCase{"NotObjects",
                "d.json",
                "[{\"a\": 1},\n 2]",
                {},
                "第 2 行：第 1 个对象处应是 对象（{…}）"},
        BadCase{"Nested",
                "d.json",
                "[{\"a\": 1},\n{\"a\": {\"b\": 2}}]",
                {},
                "第 2 行：第 1 个对象的字段 a 不是简单值（对象必须是扁平的，不能嵌套对象或数组）"},
        BadCase{"NestedArray",
                "d.json",
                "[{\"a\": [1]}]",
                {},
                "第 1 行：第 0 个对象的字段 a 不是简单值（对象必须是扁平的，不能嵌套对象或数组）"},
        BadCase{
            "BadNumber", "d.json", "[{\"a\": 01}]", {}, "第 1 行：第 0 个对象的字段 a 的值无效"},
        BadCase{
            "Truncated", "d.json", "[{\"a\": 1},\n", {}, "第 2 行：第 1 个对象处应是 对象（{…}）"},
        BadCase{"TrailingText", "d.json", "[]\nx", {}, "第 2 行：数组结束后还有内容"},
        BadCase{"DuplicateKey",
                "d.json",
                "[{\"a\": 1, \"A\": 2}]",
                {},
                "第 1 行：第 0 个对象的字段 A 重复"},
        BadCase{"JsonInvalidUtf8",
                "d.json",
                "[{\"a\": \"\xED\xA0\x80\"}]",
                {},
                "第 1 行：第 9 个字节不是有效的 UTF-8 编码"},
        BadCase{"LoneSurrogate", "d.json", "[{\"a\": \"\\ud800x\"}]", {}, "第 1 行：代理对不完整"},
        BadCase{"JsonFieldMissingInOneObject",
                "d.json",
                "[{\"a\": 1, \"b\": null},\n{\"a\": 2}]",
                {"b"},
                "第 2 行：第 1 个对象没有模板使用的字段 b"},
        BadCase{"JsonFieldMissingEverywhere",
                "d.json",
                "[{\"a\": 1}]",
                {"c"},
                "第 1 行：第 0 个对象没有模板使用的字段 c"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

} // namespace
