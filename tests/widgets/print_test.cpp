// Printing the grid's document: one PDF file with one page per job, real text with embedded
// font subsets, the exact characters drawn, the paper of the printer's DEVMODE, and clean
// failures.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "output/pdftext.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

// The characters that some CJK fonts share with Kangxi radicals, and a run of ten whose
// radicals are consecutive code points (the PDF engine writes such runs as one linear range).
const QString kShared = QStringLiteral("一二三大小上下人工");
const QString kRadicalRun = QStringLiteral("一丨丶丿乙亅二亠人儿");

QString RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

class PrintTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = qgetenv("KARVELL_PDF_DIR");
        qputenv("KARVELL_PDF_DIR", m_dir.path().toUtf8());
        PrinterService::Instance().Reset(); // the built-in "PDF" printer only
    }
    void TearDown() override {
        qputenv("KARVELL_PDF_DIR", m_oldDir);
        PrinterService::Instance().Reset();
    }

    // One line per face, each cell holding `text` in that face.
    std::unique_ptr<TReportControl> MakeDocument(const QStringList& faces, const QString& text) {
        auto grid = std::make_unique<TReportControl>();
        grid->NewTable(1, int(faces.size()));
        grid->ClearSelection();
        for (int i = 0; i < faces.size(); ++i) {
            TReportCell* cell = grid->Lines[i]->Cells[0];
            LOGFONTA font = cell->LogFont;
            SetFaceName(font, faces[i]);
            cell->SetLogFont(font);
            cell->SetCellText(Gbk::Encode(text));
        }
        grid->UpdateLines();
        return grid;
    }

    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files); }

    QTemporaryDir m_dir;
    QByteArray m_oldDir;
};

} // namespace

TEST_F(PrintTest, OnePageWhoseTextIsTheIdeographsDrawnInEveryFace) {
    const QStringList faces = {QStringLiteral("宋体"),
                               QStringLiteral("楷体"),
                               QStringLiteral("黑体"),
                               QStringLiteral("AR PL UMing CN"),
                               QStringLiteral("AR PL UKai CN"),
                               QStringLiteral("Noto Sans CJK SC"),
                               QStringLiteral("Noto Serif CJK SC")};
    auto grid = MakeDocument(faces, kShared + kRadicalRun);
    const QString path = grid->PrintDocument();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(Files(), QStringList{QFileInfo(path).fileName()});
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QLatin1String("Danmere")));

    const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Danmere\\n"))));

    const QString text = RunTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    EXPECT_EQ(text.count(kShared + kRadicalRun), faces.size()) << text.toStdString();
    for (QChar c : text)
        EXPECT_FALSE(c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF)
            << "radical U+" << std::hex << int(c.unicode()) << " in extracted text";

    // Text stays text: every font is embedded as a subset, none is drawn as outlines.
    const QString fonts = RunTool(QStringLiteral("pdffonts"), {path});
    const QStringList rows = fonts.split(u'\n', Qt::SkipEmptyParts).mid(2);
    EXPECT_GE(rows.size(), 3);
    for (const QString& row : rows) {
        EXPECT_TRUE(row.contains(QRegularExpression(QStringLiteral("\\byes\\s+yes\\s+yes\\b"))))
            << row.toStdString();
    }
}

TEST_F(PrintTest, PaperComesFromTheDevMode) {
    struct Case {
        int16_t paper, orientation, lengthTenths, widthTenths;
    };
    const Case cases[] = {{DMPAPER_A4, DMORIENT_PORTRAIT, 0, 0},
                          {DMPAPER_A5, DMORIENT_LANDSCAPE, 0, 0},
                          {DMPAPER_USER, DMORIENT_PORTRAIT, 1400, 2410}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paper);
        DEVMODE* dm = LockPrinterDevMode();
        dm->dmPaperSize = c.paper;
        dm->dmOrientation = c.orientation;
        dm->dmPaperLength = c.lengthTenths;
        dm->dmPaperWidth = c.widthTenths;
        QSizeF mm = PaperSizeMm(*dm);
        if (c.orientation == DMORIENT_LANDSCAPE) mm.transpose();
        auto grid = MakeDocument({QStringLiteral("宋体")}, QStringLiteral("纸张"));
        const QString path = grid->PrintDocument();
        const QString info = RunTool(QStringLiteral("pdfinfo"), {path});
        const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"))
                           .match(info);
        ASSERT_TRUE(m.hasMatch()) << info.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), mm.width() * 72 / 25.4, 1.0);
        EXPECT_NEAR(m.captured(2).toDouble(), mm.height() * 72 / 25.4, 1.0);
    }
    EXPECT_EQ(Files().size(), 3); // one file per job
}

TEST_F(PrintTest, ExplicitFileIsWrittenWithNothingBesideIt) {
    auto grid = MakeDocument({QStringLiteral("黑体")}, kShared);
    QTemporaryDir target;
    const QString file = target.filePath(QStringLiteral("out.pdf"));
    EXPECT_EQ(grid->PrintDocument(file), file);
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.pdf")});
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_TRUE(
        RunTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")}).contains(kShared));
}

TEST_F(PrintTest, JobThatCannotStartFailsAndLeavesNoFile) {
    auto grid = MakeDocument({QStringLiteral("宋体")}, QStringLiteral("失败"));
    // The PDF printer's folder cannot be created below a regular file.
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("KARVELL_PDF_DIR", m_dir.filePath(QStringLiteral("blocker/pdf")).toUtf8());
    EXPECT_THROW(grid->PrintDocument(), KarvellError);
    // An explicit file in a folder that does not exist.
    EXPECT_THROW(grid->PrintDocument(m_dir.filePath(QStringLiteral("missing/out.pdf"))),
                 KarvellError);
    // A print queue that does not exist.
    PrinterService::Instance().SetSystemPrinters({QStringLiteral("karvell-no-such-queue")},
                                                 QStringLiteral("karvell-no-such-queue"));
    ASSERT_FALSE(PrinterService::Instance().CurrentIsPdf());
    try {
        grid->PrintDocument();
        FAIL() << "printing on a missing queue succeeded";
    } catch (const KarvellError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("karvell-no-such-queue")))
            << e.message().toStdString();
    }
    EXPECT_EQ(Files(), QStringList{QStringLiteral("blocker")});
}

TEST(PdfTextFixer, RewritesRangesArraysAndSingleEntriesAndShiftsTheXref) {
    // A minimal file in the layout Qt writes: the ToUnicode stream, an object after it, xref.
    const QByteArray cmap = "2 beginbfrange\n<0001> <0001> <2F00>\n<0002> <0003> [<2F24> <0041> ]\n"
                            "<0004> <000D> <2F00>\nendbfrange\n";
    QByteArray pdf = "%PDF-1.4\n";
    const int obj1 = int(pdf.size());
    pdf += "1 0 obj\n<< /Type /Font /ToUnicode 2 0 R>>\nendobj\n";
    const int obj2 = int(pdf.size());
    pdf += "2 0 obj\n<< /Length " + QByteArray::number(cmap.size()) + " >>\nstream\n" + cmap +
           "\nendstream\nendobj\n";
    const int obj3 = int(pdf.size());
    pdf += "3 0 obj\n<< >>\nendobj\n";
    const int xref = int(pdf.size());
    const auto entry = [](int offset) {
        return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    };
    pdf += "xref\n0 4\n0000000000 65535 f \n" + entry(obj1) + entry(obj2) + entry(obj3) +
           "trailer\n<< /Size 4 >>\nstartxref\n" + QByteArray::number(xref) + " \n%%EOF\n";

    QHash<char16_t, char16_t> aliases;
    for (int i = 0; i < 10; ++i)
        aliases.insert(char16_t(0x2F00 + i), kRadicalRun[i].unicode());
    aliases.insert(u'\u2F24', u'大');
    const QByteArray fixed = PdfTextFixer::RewriteToUnicode(pdf, aliases);
    ASSERT_NE(fixed, pdf);
    EXPECT_TRUE(fixed.contains("<0001> <0001> <4E00>"));
    EXPECT_TRUE(fixed.contains("<0002> <0003> [<5927> <0041> ]"));
    EXPECT_TRUE(fixed.contains("<0004> <000D> [<4E00> <4E28> <4E36> <4E3F> <4E59> <4E85> <4E8C> "
                               "<4EA0> <4EBA> <513F> ]"));
    EXPECT_FALSE(fixed.contains("<2F"));
    // Every xref entry and startxref point at their objects again.
    const qsizetype newObj3 = fixed.indexOf("3 0 obj");
    const qsizetype newXref = fixed.indexOf("xref\n");
    EXPECT_TRUE(fixed.contains(entry(obj1)));
    EXPECT_TRUE(fixed.contains(entry(obj2)));
    EXPECT_TRUE(fixed.contains(entry(int(newObj3))));
    EXPECT_TRUE(fixed.contains("startxref\n" + QByteArray::number(newXref) + " \n"));
    const QByteArray newLength =
        "<< /Length " +
        QByteArray::number(fixed.indexOf("\nendstream") - fixed.indexOf("stream\n") - 7) + " >>";
    EXPECT_TRUE(fixed.contains(newLength));
}
