// The karvell tool's dump, convert and apply commands, run as a user runs them.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/program_runner.h"
#include "model/documentjson.h"
#include "model/reportdocument.h"
#include "platform/gbk.h"
#include "platform/printer.h"

using namespace karvell;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Outcome RunTool(const QStringList& args) {
    const test::ProgramRun run = test::RunProgram(QStringLiteral(KARVELL_TOOL), args);
    return {run.exitCode, run.out, run.err};
}

// A template of one line and one cell in an old version, written by the file layout.
QByteArray OldTemplate(uint16_t magic, const QByteArray& text, const QByteArray& format) {
    QByteArray b;
    auto i32 = [&](int32_t v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    char m[2];
    qToLittleEndian(magic, m);
    b.append(m, 2);
    for (int v : {100, 768, 1058, 77, 77, 38, 58, 20, 20, 10, 15})
        i32(v);
    b.append(char(1));
    for (int v : {2000, 1, 1, 1})
        i32(v); // reserved, reserved, one line, one cell
    for (int i = 0; i < 8; ++i)
        i32(0); // line record
    for (int v : {5, 0, 77, 300})
        i32(v);
    for (int i = 0; i < 11; ++i)
        i32(0);
    for (int i = 0; i < 4; ++i) {
        b.append(char(1));
        i32(1);
    }
    for (int v : {0, 0, 0xFFFFFF, 0, 1})
        i32(v);
    i32(text.size());
    b.append(text);
    if (magic == 0xAA56) {
        i32(format.size());
        b.append(format);
    }
    QByteArray font(60, '\0');
    qToLittleEndian<int32_t>(-16, font.data());
    font[23] = 1;
    b.append(font);
    for (int v : {-1, -1, 0, 9, 1, 2970, 2100, 0})
        i32(v); // no owner, no owned cells; the trailer
    return b;
}

class CliTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QJsonObject Dump(const QString& file) const {
        const Outcome r = RunTool({QStringLiteral("dump"), file});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out).object();
    }

    QTemporaryDir m_dir;
};

TEST_F(CliTest, HelpListsTheCommands) {
    const Outcome r = RunTool({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* usage : {"dump TEMPLATE", "convert IN OUT", "apply TEMPLATE|new OPS.json"})
        EXPECT_TRUE(r.out.contains(usage)) << usage;
}

TEST_F(CliTest, ApplyBuildsATemplateAndDumpShowsIt) {
    const QString ops = Write(QStringLiteral("ops.json"), R"json([
        {"op": "NewTable", "columns": 3, "rows": 2},
        {"select": [[0, 0], [0, 1]]},
        {"select": [[1, 0], [1, 1]], "shift": true},
        {"op": "CombineCell"},
        {"op": "SetSelText", "text": "合计"},
        {"op": "SetSelColors", "textColor": "#FF0000", "backColor": 15790320},
        {"op": "SetSelFont", "font": {"lfHeight": -21, "lfWeight": 700}},
        {"clear": true},
        {"op": "SetCellText", "cell": [1, 1], "text": "`SumPage()"},
        {"op": "SetCellWidth", "cell": [0, 1], "width": 120},
        {"op": "SetDragHeight", "line": 1, "height": 44}
    ])json");
    const QString out = Path(QStringLiteral("out.ept"));
    const Outcome r = RunTool({QStringLiteral("apply"), QStringLiteral("new"), ops, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const QJsonObject json = Dump(out);
    const QJsonArray lines = json[QStringLiteral("Lines")].toArray();
    ASSERT_EQ(lines.size(), 2);
    const QJsonArray line0 = lines[0][QStringLiteral("Cells")].toArray();
    const QJsonArray line1 = lines[1][QStringLiteral("Cells")].toArray();
    ASSERT_EQ(line0.size(), 2);
    ASSERT_EQ(line1.size(), 2);
    const QJsonObject top = line0[0].toObject();
    EXPECT_EQ(top[QStringLiteral("OwnedCells")].toArray(), (QJsonArray{QJsonArray{1, 0}}));
    EXPECT_TRUE(top[QStringLiteral("OwnerCell")].isNull());
    EXPECT_EQ(line1[0][QStringLiteral("OwnerCell")].toArray(), (QJsonArray{0, 0}));
    EXPECT_EQ(top[QStringLiteral("CellText")].toString(), QStringLiteral("合计"));
    EXPECT_EQ(top[QStringLiteral("TextColor")].toInt(), 0x0000FF);
    EXPECT_EQ(top[QStringLiteral("BackGroundColor")].toInt(), 15790320);
    EXPECT_EQ(top[QStringLiteral("LogFont")][QStringLiteral("lfWeight")].toInt(), 700);
    EXPECT_EQ(top[QStringLiteral("LogFont")][QStringLiteral("lfFaceName")].toString(),
              QStringLiteral("宋体"));
    EXPECT_EQ(line1[1][QStringLiteral("CellText")].toString(), QStringLiteral("`SumPage()"));
    EXPECT_EQ(line0[1][QStringLiteral("CellWidth")].toInt(), 120);
    EXPECT_EQ(line0[1][QStringLiteral("CellLeft")].toInt(),
              77 + top[QStringLiteral("CellWidth")].toInt());
    EXPECT_EQ(lines[1][QStringLiteral("DragHeight")].toInt(), 44);
    EXPECT_EQ(json[QStringLiteral("Zoom")].toInt(), 100);

    // The dump is the document exactly as loading gives it here.
    PrinterService::Instance().Reset();
    TReportDocument doc;
    ASSERT_TRUE(doc.LoadFromFile(out));
    EXPECT_EQ(json, DocumentToJson(doc));

    // Applying to an existing template edits it.
    const QString more = Write(QStringLiteral("more.json"),
                               R"json([{"select": [[0, 0]]}, {"op": "SplitCell"}])json");
    const QString split = Path(QStringLiteral("split.ept"));
    ASSERT_EQ(RunTool({QStringLiteral("apply"), out, more, "-o", split}).exitCode, 0);
    const QJsonArray after = Dump(split)[QStringLiteral("Lines")].toArray();
    EXPECT_TRUE(
        after[0][QStringLiteral("Cells")][0][QStringLiteral("OwnedCells")].toArray().isEmpty());
    EXPECT_TRUE(after[1][QStringLiteral("Cells")][0][QStringLiteral("OwnerCell")].isNull());
}

TEST_F(CliTest, ApplyRunsMouseStepsWithTheGridsRules) {
    // Cell 0 of both lines ends at x = 177; line 0 spans y = 77 … 77 + its height.
    const QString ops = Write(QStringLiteral("mouse.json"), R"json([
        {"op": "NewTable", "columns": 3, "rows": 2},
        {"op": "SetCellWidth", "cell": [0, 0], "width": 100},
        {"op": "SetCellWidth", "cell": [1, 0], "width": 100},
        {"hover": [175, 85]}, {"hover": [100, 85]}, {"hover": [20, 20]},
        {"press": [175, 85]}, {"move": [2000, 85]}, {"release": [200, 85]},
        {"doubleclick": [100, 85]}, {"type": "甲\nb😀"},
        {"press": [400, 600]}, {"release": [400, 600]}
    ])json");
    const QString out = Path(QStringLiteral("mouse.ept"));
    const Outcome r = RunTool({QStringLiteral("apply"), QStringLiteral("new"), ops, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("175 85: IDC_SIZEWE\n100 85: IDC_IBEAM\n20 20: IDC_ARROW\n"));
    const QJsonArray lines = Dump(out)[QStringLiteral("Lines")].toArray();
    ASSERT_EQ(lines.size(), 2);
    for (const QJsonValue& line : lines)
        EXPECT_EQ(line[QStringLiteral("Cells")][0][QStringLiteral("CellWidth")].toInt(), 123);
    // The emoji typed is kept as its GB18030 four-byte code, saved and read back.
    EXPECT_EQ(lines[0][QStringLiteral("Cells")][0][QStringLiteral("CellText")].toString(),
              QStringLiteral("甲\r\nb😀"));

    const QString bad = Write(QStringLiteral("bad.json"), R"json([{"release": [1, 1]}])json");
    const Outcome e = RunTool({QStringLiteral("apply"), QStringLiteral("new"), bad, "-o", out});
    EXPECT_EQ(e.exitCode, 1);
    EXPECT_TRUE(e.err.contains(QStringLiteral("step 0: a release without a press")))
        << e.err.toStdString();
}

TEST_F(CliTest, ConvertWritesTheCurrentVersion) {
    const QByteArray text = Gbk::Encode(QStringLiteral("旧表"));
    for (const uint16_t magic : {uint16_t(0xAA55), uint16_t(0xAA56)}) {
        const QString in = Write(QStringLiteral("old.ept"), OldTemplate(magic, text, "0.00"));
        const QString out = Path(QStringLiteral("new.ept"));
        const Outcome r = RunTool({QStringLiteral("convert"), in, out});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(qFromLittleEndian<uint16_t>(bytes.constData()), 0xAA57);
        const QByteArray format = magic == 0xAA56 ? QByteArray("0.00") : QByteArray();
        EXPECT_EQ(bytes.size(), 296 + text.size() + format.size());
        const QJsonObject cell =
            Dump(out)[QStringLiteral("Lines")][0][QStringLiteral("Cells")][0].toObject();
        EXPECT_EQ(cell[QStringLiteral("CellText")].toString(), QStringLiteral("旧表"));
        EXPECT_EQ(cell[QStringLiteral("CellDispFormat")].toString(), QString::fromLatin1(format));
    }
}

TEST_F(CliTest, InvalidInputFailsWithAMessage) {
    const QByteArray valid = OldTemplate(0xAA56, "abc", "0");
    const QString junk = Write(QStringLiteral("junk.ept"), "hello, world");
    const QString cut = Write(QStringLiteral("cut.ept"), valid.left(valid.size() - 7));
    const QString ops = Write(QStringLiteral("ops.json"), "[{\"op\": ");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"dump", junk}, "格式不正确"},
        {{"dump", cut}, "cut.ept"},
        {{"dump", Path("missing.ept")}, "missing.ept"},
        {{"dump"}, "usage: karvell dump"},
        {{"convert", junk, Path("x.ept")}, "格式不正确"},
        {{"convert", cut}, "usage: karvell convert"},
        {{"apply", "new", ops, "-o", Path("x.ept")}, "not a JSON list"},
        {{"apply", "new", Path("none.json"), "-o", Path("x.ept")}, "none.json"},
        {{"apply", cut, Write("empty.json", "[]"), "-o", Path("x.ept")}, "cut.ept"},
        {{"apply", "new", ops}, "usage: karvell apply"},
        {{"no-such-command"}, "unknown command"},
    };
    for (const auto& c : cases) {
        const Outcome r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message)))
            << c.args.join(u' ').toStdString() << " said: " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("x.ept")));
    }
}

TEST_F(CliTest, ApplyRefusesABadStepAndSavesNothing) {
    const char* const table = R"json({"op": "NewTable", "columns": 2, "rows": 2})json";
    const struct {
        const char* step; // follows the table
        const char* message;
    } cases[] = {
        {R"json({"op": "Frobnicate"})json", "unknown operation \"Frobnicate\""},
        {R"json({"op": "VSplitCell"})json", "missing argument \"count\""},
        {R"json({"op": "VSplitCell", "count": "3"})json", "\"count\" must be an integer"},
        {R"json({"op": "VSplitCell", "count": 0})json", "\"count\" must be an integer from 1"},
        {R"json({"op": "AddLine", "count": 2})json", "unknown argument \"count\""},
        {R"json({"select": [[2, 0]]})json", "there is no cell [2, 0]"},
        {R"json({"select": [[0, -1]]})json", "[line, cell]"},
        {R"json({"select": [[0, 0]], "shift": 1})json", "\"shift\" must be true or false"},
        {R"json({"op": "SetSelTextColor", "color": "#GG0000"})json", "\"color\" must be a colour"},
        {R"json({"op": "SetSelFont", "font": {"lfSize": 3}})json", "unknown font field 'lfSize'"},
        {R"json({"op": "SetCellText", "cell": [0, 9], "text": "x"})json",
         "there is no cell [0, 9]"},
        {R"json({"op": "SetDragHeight", "line": 5, "height": 30})json", "there is no line 5"},
        {R"json({"op": "LoadCellPicture", "cell": [0, 0], "file": "nothing.jpg"})json",
         "nothing.jpg"},
        {R"json({"clear": false})json", "\"clear\" must be true"},
        {R"json({"shift": true})json", "a step needs"},
        {R"json([1, 2])json", "a step must be an object"},
    };
    for (const auto& c : cases) {
        const QString ops =
            Write(QStringLiteral("ops.json"), QByteArray("[") + table + ",\n" + c.step + "]");
        const QString out = Path(QStringLiteral("out.ept"));
        const Outcome r = RunTool({QStringLiteral("apply"), QStringLiteral("new"), ops, "-o", out});
        EXPECT_EQ(r.exitCode, 1) << c.step;
        // Step format errors are worded like the usage (English), the model's own in Chinese.
        EXPECT_TRUE((r.err.contains(QStringLiteral("step 1: ")) ||
                     r.err.contains(QStringLiteral("第 1 步："))) &&
                    r.err.contains(QString::fromUtf8(c.message)))
            << c.step << " said: " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.step;
    }
}

// Files that are not templates, or damaged ones, are refused at once with a message in
// Chinese that names the file and says what is wrong; nothing blocks or reads without end.
TEST_F(CliTest, HostileFilesAreRefusedWithTheirNameInChinese) {
    const QByteArray valid = OldTemplate(0xAA56, "abc", "0");
    QByteArray hugePage = valid;
    qToLittleEndian<int32_t>(1 << 20, hugePage.data() + 6); // PageWidth
    QByteArray largestPage = valid;
    qToLittleEndian<int32_t>(16384, largestPage.data() + 6);
    qToLittleEndian<int32_t>(16384, largestPage.data() + 10);
    const QString fifo = Path(QStringLiteral("fifo.ept"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QStringList args;
        QString file;
        const char* message;
    } cases[] = {
        {{"dump", Write("empty.ept", "")}, Path("empty.ept"), "格式不正确"},
        {{"dump", Write("cut.ept", valid.left(80))}, Path("cut.ept"), "模板数据不完整"},
        {{"dump", Write("cut2.ept", valid.left(valid.size() - 3))},
         Path("cut2.ept"),
         "模板数据不完整：文件尾"},
        {{"dump", Path("missing.ept")}, Path("missing.ept"), "没有那个文件或目录"},
        {{"dump", m_dir.path()}, m_dir.path(), "是一个目录"},
        {{"dump", "/dev/zero"}, "/dev/zero", "不是普通文件"},
        {{"dump", fifo}, fifo, "格式不正确"},
        {{"dump", Write("huge.ept", hugePage)}, Path("huge.ept"), "页面宽度 1048576 超出范围"},
        {{"render", Path("huge.ept"), "-o", Path("x.png")}, Path("huge.ept"), "页面宽度"},
        {{"convert", Path("huge.ept"), Path("x.ept")}, Path("huge.ept"), "页面宽度"},
        // The largest page loads, but its image is not allocated.
        {{"render", Write("large.ept", largestPage), "-o", Path("x.png")}, "", "超出上限"},
    };
    for (const auto& c : cases) {
        const std::string what = c.args.join(u' ').toStdString();
        const Outcome r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, 1) << what;
        EXPECT_TRUE(r.err.contains(c.file) && r.err.contains(QString::fromUtf8(c.message)))
            << what << " said: " << r.err.toStdString();
        // One language: without the program's name and the file's, no Latin letters are left.
        QString rest = r.err;
        rest.remove(c.file);
        rest.remove(QRegularExpression(QStringLiteral("^karvell[^:]*: "),
                                       QRegularExpression::MultilineOption));
        EXPECT_FALSE(rest.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            << what << " said: " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("x.png")) || QFile::exists(Path("x.ept"))) << what;
    }
}

// Whatever an operation lets through to a saved file, the reader reads back.
TEST_F(CliTest, WhatApplySavesDumpReads) {
    const char* const steps[] = {
        R"json({"op": "SetCellWidth", "cell": [0, 0], "width": 1048576})json",
        R"json({"op": "SetCellWidth", "cell": [0, 1], "width": 16384})json",
        R"json({"op": "SetDragHeight", "line": 1, "height": 1048576})json",
        R"json({"op": "SetDragHeight", "line": 1, "height": 16384})json",
        R"json({"op": "SetMargin", "left": 10000, "top": 0, "right": 0, "bottom": 0})json",
        R"json({"op": "SetMargin", "left": 4266, "top": 4266, "right": 4266, "bottom": 4266})json",
    };
    int saved = 0;
    for (const char* step : steps) {
        const QString ops = Write(
            QStringLiteral("ops.json"),
            QByteArray(R"json([{"op": "NewTable", "columns": 2, "rows": 2},)json") + step + "]");
        const QString out = Path(QStringLiteral("out.ept"));
        QFile::remove(out);
        const Outcome r = RunTool({QStringLiteral("apply"), QStringLiteral("new"), ops, "-o", out});
        if (r.exitCode != 0) {
            EXPECT_FALSE(QFile::exists(out)) << step;
            continue;
        }
        ++saved;
        const Outcome dump = RunTool({QStringLiteral("dump"), out});
        EXPECT_EQ(dump.exitCode, 0) << step << " said: " << dump.err.toStdString();
    }
    EXPECT_GE(saved, 3); // the largest accepted values are saved
}

} // namespace
