// karvell expand on the demo voucher: a real SQLite file read directly and through the SQLite
// ODBC driver (Chinese table and field names), SetData lines and variables, the JSON, PDF and
// PNG outputs, and failures that leave nothing behind.
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/program_runner.h"

using namespace karvell;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Result {
    int exitCode = -1;
    QString out, err;
};

const char* const kOdbc =
    "Provider=MSDASQL.1;Password=mvbnlkjh;Persist Security Info=True;Data Source=acc_Quorbex";

class CliExpand : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const Result r = Karvell({u"make-demo"_s, m_dir.path()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        m_template = m_dir.filePath(u"edj/记账凭证.edj"_s);
        m_db = m_dir.filePath(u"quorbex.db"_s);
    }

    Result Karvell(const QStringList& args) const {
        QProcessEnvironment env = test::ProgramEnvironment();
        env.insert(u"KARVELL_PDF_DIR"_s, m_dir.path());
        // The demo's private unixODBC configuration publishes the file as acc_Quorbex.
        env.insert(u"ODBCSYSINI"_s, m_dir.path());
        env.insert(u"ODBCINI"_s, m_dir.filePath(u"odbc.ini"_s));
        const test::ProgramRun run = test::RunProgram(QStringLiteral(KARVELL_TOOL), args, env);
        return {run.exitCode, run.OutText(), run.err};
    }

    QStringList Expand(const QString& db, const QString& detailSql = u"select * from "
                                                                     "Quorbex_Detail"_s) const {
        return {u"expand"_s,    m_template,
                u"--db"_s,      db,
                u"--dataset"_s, u"主表=select * from Quorbex_Main"_s,
                u"--dataset"_s, u"从表="_s + detailSql};
    }

    QJsonObject Json(const QStringList& args) const {
        const Result r = Karvell(args + QStringList{u"--json"_s});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }

    QTemporaryDir m_dir;
    QString m_template, m_db;
};

QStringList LineTexts(const QJsonObject& page, int line) {
    QStringList texts;
    for (const QJsonValue& cell : page["Lines"_L1].toArray()[line].toObject()["Cells"_L1].toArray())
        texts << cell.toObject()["CellText"_L1].toString();
    return texts;
}

double Amount(const QString& text) {
    QString plain = text;
    return plain.remove(u',').toDouble();
}

// The debit column: the detail line's third cell; totals sit in the same column of the footer.
TEST_F(CliExpand, PagesAndTotalsThroughSqliteAndOdbcAgree) {
    const QJsonObject direct = Json(Expand(m_db));
    const QJsonObject odbc = Json(Expand(QString::fromLatin1(kOdbc)));
    ASSERT_FALSE(direct["Pages"_L1].toArray().isEmpty());
    EXPECT_EQ(direct["Pages"_L1], odbc["Pages"_L1]);

    const QJsonArray pages = direct["Pages"_L1].toArray();
    const int count = direct["PageCount"_L1].toInt();
    const int detail = direct["DetailLineIndex"_L1].toInt();
    EXPECT_EQ(count, pages.size());
    EXPECT_GE(count, 2);
    EXPECT_TRUE(direct["Messages"_L1].toArray().isEmpty());
    double grand = 0;
    for (int p = 0; p < count; ++p) {
        SCOPED_TRACE(p + 1);
        const QJsonObject page = pages[p].toObject();
        const int footer = page["FooterLineIndex"_L1].toInt();
        const int lines = page["Lines"_L1].toArray().size();
        EXPECT_TRUE(LineTexts(page, 2).contains(u"记-0087"_s));
        EXPECT_TRUE(LineTexts(page, lines - 1).contains(u"第 %1/%2 页"_s.arg(p + 1).arg(count)));
        double sum = 0;
        for (int l = detail; l < footer; ++l)
            sum += Amount(LineTexts(page, l)[2]);
        grand += sum;
        EXPECT_DOUBLE_EQ(Amount(LineTexts(page, footer)[1]), sum);
        if (p == count - 1) {
            EXPECT_DOUBLE_EQ(Amount(LineTexts(page, footer + 1)[1]), grand);
        }
    }

    // SetData lines find the queries in the data module; variables are accepted.
    QStringList viaSetData = {u"expand"_s,    m_template,
                              u"--db"_s,      m_db,
                              u"--dataset"_s, u"M=select * from Quorbex_Main"_s,
                              u"--dataset"_s, u"D=select * from Quorbex_Detail"_s,
                              u"--setdata"_s, u"SetDataSet(主表,DataModule1.M)"_s,
                              u"--setdata"_s, u"setdataset(从表,d)"_s,
                              u"--var"_s,     u"Title=月报"_s};
    EXPECT_EQ(Json(viaSetData)["Pages"_L1], direct["Pages"_L1]);
}

TEST_F(CliExpand, WritesOnePdfPageAndOneImagePerPage) {
    const QJsonObject json = Json(Expand(m_db));
    const int count = json["PageCount"_L1].toInt();
    const QJsonObject first = json["Pages"_L1].toArray()[0].toObject();

    const QString pdf = m_dir.filePath(u"voucher.pdf"_s);
    Result r = Karvell(Expand(m_db) + QStringList{u"--pdf"_s, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QProcess info;
    info.start(u"pdfinfo"_s, {pdf});
    ASSERT_TRUE(info.waitForFinished(60000));
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(infoText.contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(count))))
        << infoText.toStdString();
    QProcess text;
    text.start(u"pdftotext"_s, {pdf, u"-"_s});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_EQ(extracted.count(u"记-0087"_s), count);

    const QString pngDir = m_dir.filePath(u"png"_s);
    r = Karvell(Expand(m_db) + QStringList{u"--png"_s, pngDir});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList expected;
    for (int p = 1; p <= count; ++p)
        expected << u"page-%1.png"_s.arg(p);
    EXPECT_EQ(QDir(pngDir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                     QDir::Name),
              expected);
    const QImage image(QDir(pngDir).filePath(u"page-1.png"_s));
    EXPECT_EQ(image.size(), QSize(first["PageWidth"_L1].toInt(), first["PageHeight"_L1].toInt()));
}

TEST_F(CliExpand, FailuresNameTheDataSetAndLeaveNoFile) {
    struct Case {
        QStringList args;
        QStringList mentions;
    };
    const QString pdf = m_dir.filePath(u"never.pdf"_s);
    const QList<Case> cases = {
        {Expand(m_db, u"select 序号 from Quorbex_Detail"_s), {u"从表"_s, u"摘要"_s}},
        {Expand(m_db, u"select * from 没有的表"_s), {u"从表"_s, u"没有的表"_s}},
        {Expand(m_dir.filePath(u"missing.db"_s)), {u"主表"_s, u"missing.db"_s}},
        {Expand(u"Provider=MSDASQL.1;Data Source=no_such_dsn"_s), {u"主表"_s, u"no_such_dsn"_s}},
        // No data at all: the data sets the template names, not a layout complaint.
        {{u"expand"_s, m_template}, {u"主表"_s, u"从表"_s}},
        {{u"expand"_s, m_template, u"--db"_s, m_db, u"--dataset"_s,
          u"主表=select * from Quorbex_Main"_s},
         {u"从表"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Result r = Karvell(c.args + QStringList{u"--pdf"_s, pdf});
        EXPECT_EQ(r.exitCode, 1);
        for (const QString& m : c.mentions)
            EXPECT_TRUE(r.err.contains(m)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"调整单元格宽度"_s)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
    }
    const QList<QStringList> usage = {
        {u"expand"_s, m_template},
        {u"expand"_s, m_template, u"--json"_s, u"--pdf"_s, pdf},
        {u"expand"_s, m_template, u"--dataset"_s, u"x"_s, u"--json"_s},
        {u"expand"_s, m_template, u"--bogus"_s, u"--json"_s},
    };
    for (const QStringList& args : usage) {
        const Result r = Karvell(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: karvell expand"_L1)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

} // namespace
