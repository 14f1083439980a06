// Formatting operations on the selection and the picture of a cell.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/error.h"
#include "platform/textlayout.h"

namespace karvell {
namespace {

using test::At;
using test::LetterPrinter;
using test::RecordingDocument;
using test::Save;
using test::Select;

int LH() {
    return TextLayout::LineHeight(DefaultCellFont());
}

class FormattingTest : public ::testing::Test {
protected:
    LetterPrinter printer; // page 768 wide
};

TEST_F(FormattingTest, SetSelColorsFillsAllBeforeTheTextColourPass) {
    RecordingDocument doc;
    doc.NewTable(3, 1);
    Select(doc, {{0, 2}, {0, 0}, {0, 1}});
    const QList<TReportCell*> order = doc.SelectedCells;
    QList<QList<std::pair<COLORREF, COLORREF>>> seen; // per invalidation: (back, text) of each
    doc.onInvalidate = [&](const TRect&) {
        seen.append(QList<std::pair<COLORREF, COLORREF>>());
        for (const TReportCell* cell : order)
            seen.back().append({cell->BackGroundColor, cell->TextColor});
    };
    doc.ClearRecords();
    doc.SetSelColors(RGB(1, 2, 3), RGB(4, 5, 6));
    ASSERT_EQ(doc.invalidated.size(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(doc.invalidated[k], order[k]->CellRect);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(seen[k][i].first, RGB(4, 5, 6));
            EXPECT_EQ(seen[k][i].second, i <= k ? RGB(1, 2, 3) : RGB(0, 0, 0));
        }
    }
    EXPECT_EQ(doc.SelectedCells, order);
}

TEST_F(FormattingTest, SetSelAlignThreeActsAsLeftTopAndIsStored) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    doc.Lines[0]->SetDragHeight(60);
    Select(doc, {{0, 0}});
    doc.SetSelAlign(3, 3);
    const TReportCell* cell = At(doc, 0, 0);
    EXPECT_EQ(cell->TextRect.top, cell->CellRect.top + 2); // top, right after the relayout
    const QByteArray bytes = Save(doc);
    EXPECT_EQ(qFromLittleEndian<int32_t>(bytes.constData() + 95 + 92), 3);
    EXPECT_EQ(qFromLittleEndian<int32_t>(bytes.constData() + 95 + 96), 3);
}

TEST_F(FormattingTest, BorderWidthsCountInTheHeight) {
    const struct {
        bool left, top, right, bottom;
        int lw, tw, rw, bw;
        int extra; // over the height with 1-px borders
    } cases[] = {
        {true, true, true, true, 1, 2, 1, 1, 1},     {true, true, true, true, 1, 1, 1, 3, 2},
        {false, false, false, false, 1, 2, 1, 2, 2}, {true, true, true, true, 3, 1, 3, 1, 0},
        {true, true, true, true, 1, 1, 1, 1, 0},
    };
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        Select(doc, {{0, 0}});
        doc.SetSelBorders(c.left, c.top, c.right, c.bottom, c.lw, c.tw, c.rw, c.bw);
        const TReportCell* cell = At(doc, 0, 0);
        EXPECT_EQ(cell->LeftLine, c.left);
        EXPECT_EQ(cell->BottomLineWidth, c.bw);
        EXPECT_EQ(cell->RequestedHeight(), LH() + 4 + c.extra);
        EXPECT_EQ(doc.Lines[1]->LineTop, 77 + LH() + 4 + c.extra); // relaid out
    }
}

class PictureTest : public FormattingTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QImage jpg(37, 23, QImage::Format_RGB32);
        jpg.fill(Qt::red);
        ASSERT_TRUE(jpg.save(dir.filePath("photo.jpg")));
        QImage ico(20, 30, QImage::Format_ARGB32);
        ico.fill(Qt::transparent);
        ASSERT_TRUE(ico.save(dir.filePath("icon.ico")));
    }
    QTemporaryDir dir;
};

TEST_F(PictureTest, LoadedPicturesTakeTheFileSize) {
    std::vector<std::pair<QString, QSize>> files{{dir.filePath("photo.jpg"), {37, 23}},
                                                 {dir.filePath("icon.ico"), {20, 30}}};
    const QDir fixtures(QStringLiteral(KARVELL_FIXTURES "/pictures"));
    for (const auto& [name, size] : {std::pair{"icon16.ico", QSize(16, 16)},
                                     {"photo7x5.jpg", QSize(7, 5)},
                                     {"gray.jpg", QSize(6, 4)}})
        if (fixtures.exists(name)) files.push_back({fixtures.filePath(name), size});
    for (const auto& [file, size] : files) {
        TReportDocument doc;
        doc.NewTable(1, 1);
        TReportCell* cell = At(doc, 0, 0);
        const int height = cell->MinCellHeight;
        doc.LoadCellPicture(cell, file);
        EXPECT_TRUE(cell->HasBitmap) << file.toStdString();
        EXPECT_EQ(cell->CellBitmap->image.size(), size) << file.toStdString();
        EXPECT_EQ(cell->MinCellHeight, height); // pictures do not change heights
    }
}

TEST_F(PictureTest, AMissingFileLeavesTheCellAlone) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    TReportCell* cell = At(doc, 0, 0);
    doc.LoadCellPicture(cell, dir.filePath("photo.jpg"));
    const TBitmap* bitmap = cell->CellBitmap.get();
    const QByteArray before = Save(doc);
    EXPECT_THROW(doc.LoadCellPicture(cell, dir.filePath("nothing.jpg")), KarvellError);
    EXPECT_EQ(cell->CellBitmap.get(), bitmap);
    EXPECT_TRUE(cell->HasBitmap);
    EXPECT_EQ(Save(doc), before);
}

TEST_F(PictureTest, ClearedPicturesAreNotSaved) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    TReportCell* cell = At(doc, 0, 0);
    const int plain = Save(doc).size();
    doc.LoadCellPicture(cell, dir.filePath("icon.ico"));
    EXPECT_GT(Save(doc).size(), plain + 20 * 30 * 3);
    doc.ClearCellPicture(cell);
    EXPECT_FALSE(cell->HasBitmap);
    EXPECT_EQ(cell->CellBitmap, nullptr);
    const QByteArray bytes = Save(doc);
    EXPECT_EQ(bytes.size(), plain);
    EXPECT_EQ(bytes[95 + 108], 0); // HasBitmap of the only cell
    doc.LoadCellPicture(cell, dir.filePath("photo.jpg"));
    EXPECT_EQ(cell->CellBitmap->image.size(), QSize(37, 23));
}

} // namespace
} // namespace karvell
