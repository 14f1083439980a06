// Every printing path prints the whole report or nothing: a run that its load or count pass
// knows cannot complete, an output that is one of the inputs, or a form offset off the paper
// ends with exit status 1, the reason on stderr and no file.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int PdfCount(const DemoDir& demo) {
    return int(QDir(demo.Path(QStringLiteral("pdf"))).entryList({"*.pdf"}, QDir::Files).size());
}

QStringList Expand(const DemoDir& demo, const QStringList& output) {
    return QStringList{"expand",    demo.Template(),
                       "--db",      demo.Database(),
                       "--dataset", QStringLiteral("主表=select * from Quorbex_Main"),
                       "--dataset", QStringLiteral("从表=select * from Quorbex_Detail")} +
           output;
}

QStringList Batch(const DemoDir& demo, const QString& pdf) {
    return {"batch",    demo.Template(),
            "--db",     demo.Database(),
            "--master", QStringLiteral("select * from Month_Main order by 凭证号"),
            "--detail", QStringLiteral("select * from Month_Detail order by 凭证号, 序号"),
            "--key",    QStringLiteral("凭证号"),
            "--pdf",    pdf};
}

TEST(AllOrNothing, ADetailLineTallerThanAPagePrintsNothingAnywhere) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    // 10,000 characters in one summary: the count pass finds the line fits no page.
    const QString tall = QStringLiteral("replace(hex(zeroblob(5000)), '00', '长')");
    ASSERT_TRUE(
        demo.Sql({QStringLiteral("update Quorbex_Detail set 摘要 = %1 where 序号 = 5").arg(tall),
                  QStringLiteral("update Month_Detail set 摘要 = %1 where 凭证号 = "
                                 "'记-0003' and 序号 = 2")
                      .arg(tall)}));
    const QString out = demo.Path(QStringLiteral("out.pdf"));
    const QString pngs = demo.Path(QStringLiteral("pages"));
    const struct {
        const char* name;
        QStringList args; // empty: danmere 1
    } cases[] = {
        {"expand --pdf", Expand(demo, {"--pdf", out})},
        {"expand --png", Expand(demo, {"--png", pngs})},
        {"expand --json", Expand(demo, {"--json"})},
        {"batch", Batch(demo, out)},
        {"danmere 1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun r = c.args.isEmpty() ? demo.Danmere({"1"}) : demo.Karvell(c.args);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("表格未能完全处理"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.left(200).toStdString();
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_TRUE(QDir(pngs).entryList({"*.png"}).isEmpty());
        EXPECT_EQ(PdfCount(demo), 0) << "no page of the voucher is printed";
    }
}

TEST(AllOrNothing, AnUnreadableTemplateNeverReachesThePrinter) {
    const struct {
        const char* name;
        void (*make)(const QByteArray& path);
    } cases[] = {
        {"empty file",
         [](const QByteArray& p) {
             QFile f(QFile::decodeName(p));
             (void)f.open(QIODevice::WriteOnly);
         }},
        {"two wrong bytes",
         [](const QByteArray& p) {
             QFile f(QFile::decodeName(p));
             if (f.open(QIODevice::WriteOnly)) f.write("xy");
         }},
        {"FIFO", [](const QByteArray& p) { ::mkfifo(p.constData(), 0600); }},
        {"/proc/self/mem",
         [](const QByteArray& p) { (void)!::symlink("/proc/self/mem", p.constData()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DemoDir demo;
        ASSERT_TRUE(demo.Ok());
        ASSERT_TRUE(QFile::remove(demo.Template()));
        c.make(QFile::encodeName(demo.Template()));
        const ToolRun direct = demo.Danmere({"1"});
        ASSERT_TRUE(direct.finished);
        EXPECT_NE(direct.exitCode, 0);
        EXPECT_TRUE(direct.err.contains(QStringLiteral("记账凭证.edj")))
            << direct.err.toStdString();
        EXPECT_EQ(PdfCount(demo), 0) << "not even a blank page";

        const QString out = demo.Path(QStringLiteral("one.pdf"));
        const ToolRun print = demo.Karvell({"print", demo.Template(), "--pdf", out});
        EXPECT_EQ(print.exitCode, 1);
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(AllOrNothing, NoCommandWritesItsOutputOverAnInput) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString hard = demo.Path(QStringLiteral("hard.pdf"));
    const QString soft = demo.Path(QStringLiteral("soft.pdf"));
    ASSERT_EQ(::link(QFile::encodeName(demo.Template()), QFile::encodeName(hard)), 0);
    ASSERT_TRUE(QFile::link(demo.Template(), soft));
    const QString dbLink = demo.Path(QStringLiteral("db.pdf"));
    ASSERT_TRUE(QFile::link(demo.Database(), dbLink));
    const QByteArray templateBytes = ReadAll(demo.Template());
    const QByteArray databaseBytes = ReadAll(demo.Database());
    const QString odbc = QStringLiteral("Provider=MSDASQL.1;Data Source=acc_Quorbex");

    for (const QString& out : {demo.Template(), hard, soft}) {
        SCOPED_TRACE(out.toStdString());
        const QList<QStringList> commands = {
            {"print", demo.Template(), "--pdf", out},
            {"render", demo.Template(), "-o", out},
            Expand(demo, {"--pdf", out}),
            Batch(demo, out),
        };
        for (const QStringList& args : commands) {
            SCOPED_TRACE(args.first().toStdString());
            const ToolRun r = demo.Karvell(args);
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.err.contains(QStringLiteral("同一个文件"))) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(out)) << r.err.toStdString();
            EXPECT_EQ(ReadAll(demo.Template()), templateBytes);
        }
    }
    // The database, named as a file or through its ODBC data source.
    QStringList overDb = Expand(demo, {"--pdf", dbLink});
    QStringList overOdbc = Batch(demo, demo.Database());
    overOdbc[3] = odbc;
    for (const QStringList& args : {overDb, overOdbc}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const ToolRun r = demo.Karvell(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("同一个文件"))) << r.err.toStdString();
        EXPECT_EQ(ReadAll(demo.Database()), databaseBytes);
    }
}

TEST(AllOrNothing, FormOffsetsMustBeFiniteMillimetresWithinAHundred) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString out = demo.Path(QStringLiteral("moved.pdf"));
    const struct {
        const char* offset;
        bool ok;
    } cases[] = {{"nan,nan", false}, {"1e3,1e3", false}, {"-101,0", false},
                 {"0,inf", false},   {"100,-100", true}, {"-0.5,99.9", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        const ToolRun r =
            demo.Karvell({"print", demo.Template(), "--offset", c.offset, "--pdf", out});
        EXPECT_EQ(r.exitCode, c.ok ? 0 : 1) << r.err.toStdString();
        EXPECT_EQ(QFile::exists(out), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(r.err.contains(QStringLiteral("--offset"))) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.offset))) << r.err.toStdString();
        }
        QFile::remove(out);
    }
    // The same bound for the designer's settings file.
    for (const char* value : {"nan", "1e3", "-101"}) {
        SCOPED_TRACE(value);
        QFile ini(demo.Path(QStringLiteral("Quorbex.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[VchPrintSetup]\r\nAddSpace=1\r\nEnableEdit=0\r\nOffsetY=" + QByteArray(value) +
                  "\r\n");
        ini.close();
        const ToolRun r = demo.Danmere({"1"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("OffsetY"))) << r.err.toStdString();
        EXPECT_EQ(PdfCount(demo), 0);
    }
}

} // namespace
