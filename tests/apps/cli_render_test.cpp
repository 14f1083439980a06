// The karvell tool's render and print commands, run as a user would run them.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/program_runner.h"

#include "model/reportdocument.h"
#include "platform/dpi.h"
#include "platform/gbk.h"
#include "platform/printer.h"

using namespace karvell;

namespace {

struct Result {
    int exitCode = -1;
    QString out, err;
};

Result Karvell(const QStringList& args, const QString& pdfDir) {
    QProcessEnvironment env = karvell::test::ProgramEnvironment();
    env.insert(QStringLiteral("KARVELL_PDF_DIR"), pdfDir);
    const karvell::test::ProgramRun run =
        karvell::test::RunProgram(QStringLiteral(KARVELL_TOOL), args, env);
    return {run.exitCode, run.OutText(), run.err};
}

class CliRender : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        PrinterService::Instance().Reset();
        TReportDocument doc;
        doc.NewTable(3, 2);
        doc.ClearSelection();
        doc.Lines[0]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("黑体大字")));
        doc.UpdateLines();
        m_template = m_dir.filePath(QStringLiteral("t.ept"));
        doc.SaveToFile(m_template);
        m_page = QSize(doc.PageWidth, doc.PageHeight);
        m_selected = doc.Lines[1]->Cells[1]->CellRect;
    }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
    QString m_template;
    QSize m_page;
    TRect m_selected;
};

} // namespace

TEST_F(CliRender, RendersTheWindowWithSelectionZoomAndPrintLook) {
    const QPoint inside((m_selected.left + m_selected.right) / 2, m_selected.top + 3);
    struct Case {
        QStringList extra;
        int zoom;
        bool inverted;
    };
    const Case cases[] = {
        {{QStringLiteral("--select"), QStringLiteral("1,1")}, 100, true},
        {{QStringLiteral("--select"), QStringLiteral("1,1"), QStringLiteral("--print-look")},
         100,
         false},
        {{QStringLiteral("--zoom"), QStringLiteral("50")}, 50, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra.join(u' ').toStdString());
        const QString png = Path("out.png");
        QFile::remove(png);
        const Result r = Karvell(
            QStringList{QStringLiteral("render"), m_template, QStringLiteral("-o"), png} + c.extra,
            m_dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(Round05(m_page.width() * c.zoom / 100.0),
                                      Round05(m_page.height() * c.zoom / 100.0)));
        if (c.zoom == 100) {
            EXPECT_EQ(image.pixel(inside) & 0xFFFFFF, c.inverted ? 0u : 0xFFFFFFu);
        }
    }
}

TEST_F(CliRender, PrintsIntoTheGivenPdfOrThePdfPrinterFolder) {
    const QString pdf = Path("explicit.pdf");
    Result r =
        Karvell({QStringLiteral("print"), m_template, QStringLiteral("--pdf"), pdf}, m_dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("PDF: %1\n").arg(pdf));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    EXPECT_TRUE(
        QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("黑体大字")));

    r = Karvell({QStringLiteral("print"), m_template}, m_dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("PDF: ") + m_dir.path())) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(r.out.mid(5).trimmed()));
}

TEST_F(CliRender, InvalidInputFailsWithAMessageAndNoOutput) {
    QFile bad(Path("bad.ept"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a template");
    bad.close();
    const QString png = Path("never.png");
    const QString r = QStringLiteral("render");
    const QString o = QStringLiteral("-o");
    const QList<QStringList> cases = {
        {r, m_template},
        {r, m_template, o, png, QStringLiteral("--zoom"), QStringLiteral("0")},
        {r, m_template, o, png, QStringLiteral("--zoom"), QStringLiteral("abc")},
        {r, m_template, o, png, QStringLiteral("--select"), QStringLiteral("7,0")},
        {r, m_template, o, png, QStringLiteral("--select"), QStringLiteral("1")},
        {r, m_template, o, png, QStringLiteral("--bogus")},
        {r, Path("missing.ept"), o, png},
        {r, Path("bad.ept"), o, png},
        {QStringLiteral("print")},
        {QStringLiteral("print"), Path("bad.ept")},
        {QStringLiteral("print"), m_template, QStringLiteral("--pdf"), Path("no/such/dir/x.pdf")},
        {QStringLiteral("view")},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Result result = Karvell(args, m_dir.path());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_FALSE(result.err.trimmed().isEmpty());
        EXPECT_FALSE(QFile::exists(png));
    }
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty());
}
