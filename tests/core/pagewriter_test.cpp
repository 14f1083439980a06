// The output path: pages written one by one on their own paper, in order whether one or two
// threads paint them, and nothing left behind when a page cannot be written. Judged by poppler's
// pdfinfo and pdftotext, not by the writer.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include "common/file_size_limit.h"
#include "common/scoped_env.h"
#include "model/reportdocument.h"
#include "model_helpers.h"
#include "output/ofdsink.h"
#include "output/pagespool.h"
#include "output/pagewriter.h"
#include "output/pdfsink.h"
#include "output/pngsink.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/printer.h"

namespace karvell {
namespace {

QString Tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A one-line page saying `text`, on the given paper.
QByteArray Page(const QByteArray& text, int16_t paper, int16_t orientation) {
    TReportDocument doc;
    doc.NewTable(2, 1);
    doc.Lines[0]->Cells[0]->SetCellText(text);
    doc.PaperSize = paper;
    doc.PaperOrientation = orientation;
    return doc.Snapshot();
}

class PageWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // Owns the streams as the runtime does.
    QList<QBuffer*> Streams(const QList<QByteArray>& pages) {
        QList<QBuffer*> streams;
        for (const QByteArray& bytes : pages) {
            auto* buffer = new QBuffer;
            buffer->setData(bytes);
            buffer->open(QIODevice::ReadOnly);
            owned.emplace_back(buffer);
            streams.append(buffer);
        }
        return streams;
    }
    test::LetterPrinter printer;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QBuffer>> owned;
};

TEST_F(PageWriterTest, EachPagePrintsOnItsOwnPaper) {
    const QString pdf = dir.filePath("two.pdf");
    TPdfSink sink(pdf, QStringLiteral("two"), 600);
    TPageWriter writer(sink);
    // Two vouchers, as a batch writes them: one call each.
    writer.Write(Streams({Page("A4", DMPAPER_A4, DMORIENT_PORTRAIT)}));
    writer.Write(Streams({Page("A5", DMPAPER_A5, DMORIENT_LANDSCAPE)}));
    sink.Finish();
    const QString info =
        Tool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                         QStringLiteral("-l"), QStringLiteral("2"), pdf});
    // A4 portrait is 595 × 842 points; A5 landscape 595 × 420.
    EXPECT_TRUE(info.contains(
        QRegularExpression(QStringLiteral("Page +1 size: +595(\\.\\d+)? x 84[12](\\.\\d+)? "))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(
        QRegularExpression(QStringLiteral("Page +2 size: +595(\\.\\d+)? x 4(19|20)(\\.\\d+)? "))))
        << info.toStdString();
}

TEST_F(PageWriterTest, TwoThreadsWriteThePagesInOrder) {
    QList<QByteArray> pages;
    for (int i = 1; i <= 40; ++i)
        pages.append(Page("page" + QByteArray::number(i), DMPAPER_A4, DMORIENT_PORTRAIT));
    const QString pdf = dir.filePath("forty.pdf");
    TPdfSink sink(pdf, QStringLiteral("forty"), 600);
    TPageWriter writer(sink);
    writer.Write(Streams(pages));
    // A page written after the joined parts follows them.
    writer.Write(Streams({Page("last", DMPAPER_A4, DMORIENT_PORTRAIT)}));
    sink.Finish();
    EXPECT_EQ(sink.PageCount(), 41);
    const QStringList texts =
        Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).split(QChar(0x0c));
    ASSERT_GE(texts.size(), 41);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(texts[i].trimmed(), QStringLiteral("page%1").arg(i + 1));
    EXPECT_EQ(texts[40].trimmed(), QStringLiteral("last"));
}

// Pages painted while they are made: a second thread takes the first ones as they come, so
// they must still come out in order, once each, with the pages written after them last.
TEST_F(PageWriterTest, PagesPaintedAsTheyAreMadeStayInOrder) {
    for (const int count : {0, 3, 40}) {
        for (const bool slowly : {false, true}) {
            SCOPED_TRACE(std::to_string(count) + (slowly ? " made slowly" : " made at once"));
            const QString pdf = dir.filePath("made.pdf");
            TPdfSink sink(pdf, QStringLiteral("made"), 600);
            TPageWriter writer(sink);
            TPageSpool spool;
            const bool complete = writer.WriteAsMade(spool, [&] {
                for (int i = 1; i <= count; ++i) {
                    spool.Append(
                        Page("page" + QByteArray::number(i), DMPAPER_A4, DMORIENT_PORTRAIT));
                    if (slowly) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                return true;
            });
            EXPECT_TRUE(complete);
            EXPECT_EQ(sink.PageCount(), count);
            writer.Write(Streams({Page("last", DMPAPER_A4, DMORIENT_PORTRAIT)}));
            sink.Finish();
            const QStringList texts =
                Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).split(QChar(0x0c));
            ASSERT_GE(texts.size(), count + 1);
            for (int i = 0; i < count; ++i)
                EXPECT_EQ(texts[i].trimmed(), QStringLiteral("page%1").arg(i + 1));
            EXPECT_EQ(texts[count].trimmed(), QStringLiteral("last"));
        }
    }
}

// A run that ends incomplete, fails to make a page or has a page that cannot be painted gives
// the sink nothing, whichever thread had the page.
TEST_F(PageWriterTest, PagesMadeByARunThatFailsReachNothing) {
    enum class Ending { Incomplete, Throws, BrokenPage };
    for (const Ending ending : {Ending::Incomplete, Ending::Throws, Ending::BrokenPage}) {
        for (const int broken : {2, 35}) {
            SCOPED_TRACE(std::to_string(int(ending)) + " at page " + std::to_string(broken));
            TPdfSink sink(dir.filePath("failed.pdf"), QStringLiteral("failed"), 600);
            TPageWriter writer(sink);
            TPageSpool spool;
            const auto make = [&] {
                for (int i = 1; i <= 40; ++i) {
                    if (i == broken && ending == Ending::Throws)
                        throw KarvellError(QStringLiteral("第 %1 张凭证无法生成").arg(i));
                    spool.Append(
                        i == broken && ending == Ending::BrokenPage
                            ? QByteArray("broken")
                            : Page("page" + QByteArray::number(i), DMPAPER_A4, DMORIENT_PORTRAIT));
                }
                return ending != Ending::Incomplete;
            };
            try {
                EXPECT_FALSE(writer.WriteAsMade(spool, make));
                EXPECT_EQ(ending, Ending::Incomplete);
            } catch (const KarvellError& e) {
                EXPECT_NE(ending, Ending::Incomplete);
                EXPECT_TRUE(e.message().contains(QStringLiteral("第 %1 ").arg(broken)))
                    << e.message().toStdString();
            }
            EXPECT_EQ(sink.PageCount(), 0);
            EXPECT_TRUE(spool.WaitFor(40) == false); // closed, not waiting for more
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("failed.pdf")));
}

TEST_F(PageWriterTest, APageThatCannotBeLoadedLeavesNoOutput) {
    // The second case is long enough for two threads, and its broken page is the second's.
    QList<QByteArray> forty;
    for (int i = 1; i <= 40; ++i)
        forty.append(i == 35 ? QByteArray("broken")
                             : Page("page" + QByteArray::number(i), DMPAPER_A4, DMORIENT_PORTRAIT));
    const struct {
        QList<QByteArray> pages;
        QString broken;
    } cases[] = {
        {{Page("one", DMPAPER_A4, DMORIENT_PORTRAIT), "broken"}, QStringLiteral("第 2 页")},
        {forty, QStringLiteral("第 35 页")}};
    const QString pdf = dir.filePath("broken.pdf");
    const QString pngDir = dir.filePath("png");
    for (const auto& c : cases) {
        for (const bool asPdf : {true, false}) {
            SCOPED_TRACE((asPdf ? "pdf " : "png ") + c.broken.toStdString());
            try {
                std::unique_ptr<TPageSink> sink;
                if (asPdf)
                    sink = std::make_unique<TPdfSink>(pdf, QStringLiteral("broken"), 600);
                else
                    sink = std::make_unique<TPngSink>(pngDir);
                TPageWriter writer(*sink);
                writer.Write(Streams(c.pages));
                sink->Finish();
                ADD_FAILURE() << "a broken page was written";
            } catch (const KarvellError& e) {
                EXPECT_TRUE(e.message().contains(c.broken)) << e.message().toStdString();
            }
        }
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(
        QDir(pngDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A package whose temporary files fill up (here under a file-size limit) is an error naming
// the reason, and the target keeps what it had: when the package is made, or already while
// the pages are written, which a thread of the document's own does.
TEST_F(PageWriterTest, AnOfdPackageThatCannotBeMadeLeavesTheTargetAsItWas) {
    const QString ofd = dir.filePath("pages.ofd");
    const struct {
        int pages;
        rlim_t limit;
        QStringList messages; // what the message may start with
    } cases[] = {
        // The pages fit (8 KB), the package with its font (19 KB) does not. Made with other
        // fonts the pages alone may not fit: that fails as surely, one step earlier.
        {20,
         12 * 1024,
         {QStringLiteral("无法生成 OFD 压缩包："), QStringLiteral("无法写入临时文件")}},
        // The pages' XML outgrows the limit long before the last page; the system's reason.
        {300, 2 * 1024, {QStringLiteral("无法写入临时文件")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages);
        QFile old(ofd);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QList<QByteArray> pages;
        for (int i = 1; i <= c.pages; ++i)
            pages.append(Page("第" + QByteArray::number(i) + "页", DMPAPER_A4, DMORIENT_PORTRAIT));
        QString message;
        {
            const test::ScopedEnv tmpdir("TMPDIR", dir.path().toUtf8());
            const test::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.IsSet());
            try {
                TOfdSink sink(ofd, QStringLiteral("pages"), 600);
                TPageWriter writer(sink);
                writer.Write(Streams(pages));
                sink.Finish();
            } catch (const KarvellError& e) {
                message = e.message();
            }
        }
        EXPECT_TRUE(std::any_of(c.messages.begin(), c.messages.end(), [&](const QString& m) {
            return message.startsWith(m);
        })) << message.toStdString();
        if (message.startsWith(QStringLiteral("无法写入临时文件"))) {
            EXPECT_TRUE(message.endsWith(QStringLiteral("：文件过大"))) << message.toStdString();
        }
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old");
        old.close();
    }
}

} // namespace
} // namespace karvell
