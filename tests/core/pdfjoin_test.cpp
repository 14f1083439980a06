// Joining PDF parts written by Qt's PDF writer: every page of every part, in order, drawn and
// extracted exactly as in its part, subset tags kept per font; anything that is not Qt's
// structure is refused.
#include <QBuffer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "output/pdfjoin.h"
#include "output/pdfsink.h"
#include "output/pdftext.h"
#include "platform/logfont.h"
#include "platform/printer.h"

using namespace karvell;

namespace {

QByteArray Tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput();
}

// One page per text: the text in the cell font and a bar whose width depends on the page.
QByteArray Part(const QStringList& pages) {
    TPdfSink sink(QString(), QString(), 600);
    const QPageLayout a4 = PageLayoutFor(DEVMODE{}, QMarginsF());
    QFont font = FontFromLogFont(DefaultCellFont());
    font.setPixelSize(120);
    for (const QString& text : pages) {
        sink.AddDrawnPage(a4, [&](QPainter& painter, QPagedPaintDevice&) {
            painter.setFont(font);
            painter.drawText(QPoint(300, 600), text);
            painter.fillRect(QRect(300, 900, 400 + 300 * int(text.size()), 60), Qt::darkBlue);
        });
    }
    return sink.TakeBytes();
}

class PdfJoin : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Save(const QString& name, const QByteArray& pdf) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
        return path;
    }
    static QByteArray Render(const QString& pdf, int page) {
        const QString n = QString::number(page);
        return Tool(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-f"), n,
                     QStringLiteral("-l"), n, QStringLiteral("-singlefile"), pdf});
    }
    static QByteArray Text(const QString& pdf) {
        return Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    }
    QTemporaryDir m_dir;
};

TEST_F(PdfJoin, KeepsEveryPageInOrderAsItLooksAndReadsInItsPart) {
    const QList<QStringList> texts = {{QStringLiteral("第一部分甲"), QStringLiteral("第一部分乙")},
                                      {QStringLiteral("第二部分 only one")},
                                      {QStringLiteral("第三部分甲"), QStringLiteral("丙丁")}};
    QList<QByteArray> parts;
    QStringList partFiles;
    QByteArray partText;
    for (const QStringList& pages : texts) {
        parts.append(Part(pages));
        partFiles.append(Save(QStringLiteral("part%1.pdf").arg(parts.size()), parts.last()));
        partText += Text(partFiles.last());
    }
    const QByteArray joined = JoinQtPdfs(parts);
    ASSERT_FALSE(joined.isEmpty());
    const QString file = Save(QStringLiteral("joined.pdf"), joined);
    EXPECT_TRUE(Tool(QStringLiteral("pdfinfo"), {file}).contains("Pages:           5\n"));
    EXPECT_EQ(Text(file), partText);
    int page = 1;
    for (int p = 0; p < parts.size(); ++p) {
        for (int i = 1; i <= texts[p].size(); ++i, ++page) {
            SCOPED_TRACE(page);
            const QByteArray expected = Render(partFiles[p], i);
            ASSERT_FALSE(expected.isEmpty());
            EXPECT_EQ(Render(file, page), expected);
        }
    }
    EXPECT_EQ(JoinQtPdfs({parts[0]}), parts[0]);

    // The text layer's fix afterwards tags each font dictionary with its own subset's tag.
    PdfTextFixer fixer;
    const QString tagged = Save(QStringLiteral("tagged.pdf"), fixer.Fix(joined));
    const QList<QByteArray> fonts = Tool(QStringLiteral("pdffonts"), {tagged}).split('\n');
    int subsets = 0;
    for (const QByteArray& line : fonts.mid(2)) {
        if (line.trimmed().isEmpty()) continue;
        EXPECT_TRUE(line.contains("+")) << line.constData();
        ++subsets;
    }
    EXPECT_EQ(subsets, 3); // one font, one subset per part
    EXPECT_EQ(Text(tagged), partText);
}

TEST_F(PdfJoin, RefusesWhatIsNotQtsStructure) {
    const QByteArray good = Part({QStringLiteral("甲")});
    const qsizetype startxref = good.lastIndexOf("startxref\n");
    QByteArray badOffset = good;
    badOffset.replace(startxref + 10, 1, "9");
    QByteArray noRoot = good;
    noRoot.replace(noRoot.lastIndexOf("/Root "), 6, "/Roof ");
    for (const QByteArray& bad : {QByteArray(), QByteArray("%PDF-1.4\nnot Qt"),
                                  good.left(good.size() / 2), badOffset, noRoot}) {
        EXPECT_TRUE(JoinQtPdfs({good, bad}).isEmpty());
        EXPECT_TRUE(JoinQtPdfs({bad, good}).isEmpty());
    }
    EXPECT_TRUE(JoinQtPdfs({}).isEmpty());
}

} // namespace
