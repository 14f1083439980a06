// The preview's 导出… button: the save dialog (through the message service, as every common
// dialog) chooses the file and its type; the written files are read back with pdftotext,
// pdfinfo and openpyxl, readers of their own.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVariantMap>
#include <gtest/gtest.h>

#include "apptermination.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

QString Output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Every text cell of the workbook's sheets, row by row.
QString XlsxTexts(const QString& file) {
    return Output(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral("-c"),
                   QStringLiteral("import openpyxl, sys\n"
                                  "for ws in openpyxl.load_workbook(sys.argv[1]).worksheets:\n"
                                  "    for row in ws.iter_rows(values_only=True):\n"
                                  "        print(' '.join(str(v) for v in row if v is not None))"),
                   file});
}

// The texts of an OFD package's pages, read with Python's zipfile, page by page.
QString OfdTexts(const QString& file) {
    return Output(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import re, sys, zipfile\n"
                        "z = zipfile.ZipFile(sys.argv[1])\n"
                        "for n in sorted(x for x in z.namelist() if x.endswith('Content.xml')):\n"
                        "    print(n, ''.join(re.findall(r'<ofd:TextCode[^>]*>([^<]*)<',\n"
                        "                                z.read(n).decode())))"),
         file});
}

QVariantMap Choice(const QString& file, int type) {
    return {{QStringLiteral("file"), file}, {QStringLiteral("type"), type}};
}

class PreviewExportTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    void TearDown() override {
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    // Runs the preview of `pages`, clicks 导出… `clicks` times (the installed ScriptedMessages
    // answers the dialogs) and answers what the status bar said after each click.
    QStringList ExportClicks(const QList<QBuffer*>& pages, int clicks,
                             const std::function<void(TPreviewForm&)>& before = {}) {
        TPreviewForm form(nullptr);
        QStringList notes;
        const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
            if (before) before(form);
            for (int i = 0; i < clicks; ++i) {
                QTest::mouseClick(form.ExportBtn, Qt::LeftButton);
                notes << (form.PrintedPanel ? form.PrintedPanel->text() : QString());
            }
            form.close();
        });
        form.RunPreview(pages);
        return notes;
    }
    QString Path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PreviewExportTest, WritesEveryPageInTheChosenFormat) {
    for (const char* tool : {"pdftotext", "pdfinfo"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) GTEST_SKIP() << "no python3";
    PageStreams pages = MakePageStreams(3);
    ScriptedMessages messages;
    // The file types in the dialog's order; names without an extension get the type's.
    const struct {
        const char* name;
        int type;
        const char* written;
    } cases[] = {{"plain", 0, "plain.pdf"},
                 {"archive", 1, "archive.pdf"},
                 {"sheet", 2, "sheet.xlsx"},
                 {"fixed", 3, "fixed.ofd"}};
    for (const auto& c : cases)
        messages.dialogAnswers.push_back(Choice(Path(QString::fromLatin1(c.name)), c.type));
    const QStringList notes = ExportClicks(pages.list, int(std::size(cases)));

    ASSERT_EQ(messages.dialogs.size(), 4);
    EXPECT_EQ(messages.dialogs[0], DialogKind::SaveFile);
    EXPECT_EQ(messages.dialogFilters[0], QStringLiteral("PDF 文件|*.pdf|PDF/A-1b 归档文件|*.pdf|"
                                                        "Excel 工作簿|*.xlsx|OFD 版式文件|*.ofd"));
    EXPECT_TRUE(messages.dialogInitials[0].toMap().value(QStringLiteral("askType")).toBool());
    EXPECT_TRUE(messages.boxes.isEmpty()) << messages.boxes.value(0).text.toStdString();
    for (int i = 0; i < 4; ++i) {
        const QString file = Path(QString::fromLatin1(cases[i].written));
        ASSERT_TRUE(QFile::exists(file)) << file.toStdString();
        EXPECT_EQ(notes[i], QStringLiteral("已导出到 %1").arg(QDir::toNativeSeparators(file)));
        const QString text = i < 2
                                 ? Output(QStringLiteral("pdftotext"), {file, QStringLiteral("-")})
                             : i == 2 ? XlsxTexts(file)
                                      : OfdTexts(file);
        for (int page = 1; page <= 3; ++page)
            EXPECT_TRUE(text.contains(QStringLiteral("页%1").arg(page))) << cases[i].name;
    }
    // Three pages in each PDF; the archival one says it is PDF/A-1b, the plain one does not.
    for (const char* name : {"plain.pdf", "archive.pdf"}) {
        const QString file = Path(QString::fromLatin1(name));
        const QString info = Output(QStringLiteral("pdfinfo"), {file}) +
                             Output(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), file});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3")))) << name;
        EXPECT_EQ(info.contains(QStringLiteral("pdfaid:part=\"1\"")),
                  QByteArray(name) == "archive.pdf")
            << name;
    }
}

TEST_F(PreviewExportTest, OnePageIsWrittenAsShownAndErrorsGoToTheErrorBox) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    PageStreams pages = MakePageStreams(1);
    ScriptedMessages messages;
    messages.dialogAnswers.push_back(Choice(Path(QStringLiteral("edited.pdf")), 0));
    messages.dialogAnswers.push_back(Choice(Path(QStringLiteral("no/such/dir/x.pdf")), 0));
    messages.dialogAnswers.push_back(std::nullopt); // cancelled: nothing happens
    const QStringList notes = ExportClicks(pages.list, 3, [](TPreviewForm& form) {
        form.ReportControl1->Lines[0]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("改过")));
    });
    const QString text = Output(QStringLiteral("pdftotext"),
                                {Path(QStringLiteral("edited.pdf")), QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("改过"))) << text.toStdString();
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Error);
    EXPECT_TRUE(messages.boxes[0].text.contains(QStringLiteral("x.pdf")))
        << messages.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("no/such/dir/x.pdf"))));
    // The failed and the cancelled export leave the last success in the status bar.
    ASSERT_EQ(notes.size(), 3);
    EXPECT_EQ(notes[2], notes[0]);
    EXPECT_EQ(messages.dialogs.size(), 3);
}
