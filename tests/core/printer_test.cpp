// The printer service: the printer list, DEVMODE per printer, printable area and PDF files.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/printer.h"

using namespace karvell;

namespace {

// Restores the service and the environment variables a test changes.
class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pdfDir = qgetenv("KARVELL_PDF_DIR");
        m_noPrinters = qgetenv("KARVELL_NO_PRINTERS");
        qunsetenv("KARVELL_NO_PRINTERS");
        PrinterService::Instance().Reset();
    }
    void TearDown() override {
        Restore("KARVELL_PDF_DIR", m_pdfDir);
        Restore("KARVELL_NO_PRINTERS", m_noPrinters);
        PrinterService::Instance().Reset();
    }
    static void Restore(const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

private:
    QByteArray m_pdfDir;
    QByteArray m_noPrinters;
};

} // namespace

TEST_F(PrinterTest, ListsSystemQueuesThenPdf) {
    PrinterService& ps = PrinterService::Instance();
    EXPECT_EQ(ps.Printers(), QStringList{"PDF"});
    EXPECT_TRUE(ps.CurrentIsPdf());
    ps.SetSystemPrinters({"Office", "Lobby"}, "Lobby");
    EXPECT_EQ(ps.Printers(), (QStringList{"Office", "Lobby", "PDF"}));
    EXPECT_EQ(ps.CurrentName(), QStringLiteral("Lobby"));
    ps.SetSystemPrinters({"Office"}, QString());
    EXPECT_EQ(ps.CurrentName(), QStringLiteral("PDF")); // no default queue
    EXPECT_TRUE(HasPrinter());
}

TEST_F(PrinterTest, HiddenPrinters) {
    qputenv("KARVELL_NO_PRINTERS", "1");
    PrinterService& ps = PrinterService::Instance();
    EXPECT_TRUE(ps.Printers().isEmpty());
    EXPECT_FALSE(HasPrinter());
    try {
        LockPrinterDevMode();
        FAIL() << "no DEVMODE without a printer";
    } catch (const KarvellError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Could Not Initialize TdeviceMode Structure"));
    }
    qunsetenv("KARVELL_NO_PRINTERS");
    EXPECT_TRUE(HasPrinter());
}

TEST_F(PrinterTest, EachPrinterKeepsItsDevModeInPlace) {
    PrinterService& ps = PrinterService::Instance();
    ps.SetSystemPrinters({"Office"}, "Office");
    DEVMODE* office = LockPrinterDevMode();
    EXPECT_EQ(office->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(office->dmOrientation, DMORIENT_PORTRAIT);
    office->dmPaperSize = DMPAPER_A3;
    office->dmOrientation = DMORIENT_LANDSCAPE;
    EXPECT_EQ(LockPrinterDevMode(), office);
    ps.SetCurrentIndex(1);
    ASSERT_TRUE(ps.CurrentIsPdf());
    EXPECT_EQ(LockPrinterDevMode()->dmPaperSize, DMPAPER_A4);
    ps.SetSystemPrinters({"Office", "New"}, "Office"); // refreshing keeps the settings
    EXPECT_EQ(LockPrinterDevMode()->dmPaperSize, DMPAPER_A3);
    EXPECT_EQ(LockPrinterDevMode()->dmOrientation, DMORIENT_LANDSCAPE);
}

TEST_F(PrinterTest, PaperSizes) {
    const struct {
        int16_t code;
        int16_t width, length;
        QSizeF mm;
    } cases[] = {
        {DMPAPER_LETTER, 0, 0, {215.9, 279.4}},
        {DMPAPER_LEGAL, 0, 0, {215.9, 355.6}},
        {DMPAPER_A3, 0, 0, {297, 420}},
        {DMPAPER_A4, 5, 5, {210, 297}},
        {DMPAPER_A5, 0, 0, {148, 210}},
        {DMPAPER_B5, 0, 0, {182, 257}},
        {0, 2410, 1397, {241, 139.7}},
        {DMPAPER_USER, 1000, 2000, {100, 200}},
        {0, 0, 1397, {210, 297}},
        {-3, -1, -1, {210, 297}},
    };
    for (const auto& c : cases) {
        DEVMODE dm;
        dm.dmPaperSize = c.code;
        dm.dmPaperWidth = c.width;
        dm.dmPaperLength = c.length;
        EXPECT_EQ(PaperSizeMm(dm), c.mm) << c.code;
        // What a page setup dialog hands back lands in the same paper.
        DEVMODE back;
        back.dmPaperSize = 1;
        ApplyPageLayout(back, PageLayoutFor(dm, QMarginsF()));
        EXPECT_NEAR(PaperSizeMm(back).width(), c.mm.width(), 0.1) << c.code;
        EXPECT_NEAR(PaperSizeMm(back).height(), c.mm.height(), 0.1) << c.code;
    }
}

TEST_F(PrinterTest, PrintableDotsFollowPaperAndOrientation) {
    PrinterService& ps = PrinterService::Instance();
    ASSERT_EQ(ps.DpiX(), 600);
    ASSERT_EQ(ps.DpiY(), 600);
    DEVMODE* dm = LockPrinterDevMode();
    EXPECT_EQ(ps.PrintableDots(), QSize(4961, 7016)); // A4 at 600 dpi: 210 and 297 mm
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    EXPECT_EQ(ps.PrintableDots(), QSize(7016, 4961));
    dm->dmPaperSize = DMPAPER_A5;
    dm->dmOrientation = DMORIENT_PORTRAIT;
    EXPECT_EQ(ps.PrintableDots(), QSize(3496, 4961)); // 148 x 210 mm
    const QPageLayout layout = PageLayoutFor(*dm, QMarginsF());
    EXPECT_EQ(layout.orientation(), QPageLayout::Portrait);
    EXPECT_EQ(layout.pageSize().id(), QPageSize::A5);
}

TEST_F(PrinterTest, PdfFilesAreNumbered) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("pdf/out");
    qputenv("KARVELL_PDF_DIR", dir.toUtf8());
    PrinterService& ps = PrinterService::Instance();
    EXPECT_EQ(ps.PdfOutputDir(), dir);
    const QString first = ps.NextPdfPath("Danmere");
    EXPECT_EQ(first, QDir(dir).filePath("Danmere-1.pdf"));
    EXPECT_TRUE(QDir(dir).exists());
    QFile taken(QDir(dir).filePath("Danmere-3.pdf"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    EXPECT_EQ(ps.NextPdfPath("Danmere"), QDir(dir).filePath("Danmere-2.pdf"));
    EXPECT_EQ(ps.NextPdfPath("Danmere"), QDir(dir).filePath("Danmere-4.pdf"));
    EXPECT_EQ(ps.NextPdfPath("a/b"), QDir(dir).filePath("a_b-5.pdf"));
    qunsetenv("KARVELL_PDF_DIR");
    EXPECT_EQ(ps.PdfOutputDir(), QDir::current().filePath("output"));
}
