// Hostile template streams: every damaged variant is refused with an error, never crashes or
// reads past its data, and leaves the loaded document as it was.
#include <gtest/gtest.h>

#include <QIODevice>
#include <QtEndian>
#include <climits>
#include <functional>

#include "model/limits.h"
#include "model/reportdocument.h"
#include "model/templatestream.h"
#include "model_helpers.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "stream_helpers.h"

namespace karvell {
namespace {

using test::At;
using test::CellSpec;
using test::Crafter;
using test::LetterPrinter;
using test::Lines;
using test::Load;
using test::Save;
using test::Select;
using test::SmallDocument;

class HostileStreamTest : public ::testing::Test {
protected:
    LetterPrinter printer;
    ScriptedMessages messages;
};

// Hostile input: every variant must be refused with an error, never crash or over-read, and
// leave the loaded document as it was.
void ExpectRefused(const QByteArray& bytes, const std::string& what,
                   const QString& message = QString()) {
    TReportDocument doc;
    doc.NewTable(2, 2);
    Select(doc, {{0, 1}});
    const QByteArray before = Save(doc);
    bool loaded = false;
    try {
        loaded = Load(doc, bytes);
    } catch (const KarvellError& e) {
        EXPECT_FALSE(e.message().isEmpty()) << what;
        EXPECT_TRUE(e.message().contains(message))
            << what << " said: " << e.message().toStdString();
    }
    EXPECT_FALSE(loaded) << what;
    EXPECT_EQ(Save(doc), before) << what;
    EXPECT_EQ(doc.FocusCell, At(doc, 0, 1)) << what;
}

TEST_F(HostileStreamTest, TruncatedStreamsAreRefused) {
    Crafter crafter;
    const QByteArray full = crafter.Build(0xAA57, SmallDocument());
    {
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, full));
    }
    // Past the magic, every cut says that the data ended early, and where.
    for (int n = 0; n < full.size(); ++n)
        ExpectRefused(full.left(n), "cut at " + std::to_string(n),
                      n < 2 ? QString() : QStringLiteral("模板数据不完整"));
    // A cut inside a cell's record names the cell.
    QByteArray longText = full;
    qToLittleEndian(int32_t(full.size()), longText.data() + crafter.at.at("text 1 0"));
    ExpectRefused(longText, "cut in a cell's text", QStringLiteral("第 1 行第 0 个单元格在第"));
}

TEST_F(HostileStreamTest, DamagedStreamsAreRefused) {
    struct Damage {
        const char* name;
        std::function<QByteArray()> make;
    };
    // Overwrites int32 values at offsets from a named field.
    auto patched = [](const char* field, std::vector<std::pair<int, int32_t>> values) {
        return [=] {
            Crafter crafter;
            QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
            for (const auto& [delta, value] : values)
                qToLittleEndian(value, bytes.data() + crafter.at.at(field) + delta);
            return bytes;
        };
    };
    auto crafted = [](std::function<void(Lines&)> change) {
        return [=] {
            Lines lines = SmallDocument();
            change(lines);
            Crafter crafter;
            return crafter.Build(0xAA57, lines);
        };
    };
    const Damage damages[] = {
        {"negative line count", patched("lines", {{0, -1}})},
        {"huge line count", patched("lines", {{0, INT_MAX}})},
        {"more lines than bytes", patched("lines", {{0, 1000}})},
        {"line without cells", patched("count 1", {{0, 0}})},
        {"negative cell count", patched("count 0", {{0, -3}})},
        {"huge cell count", patched("count 0", {{0, INT_MAX}})},
        {"one cell too many", patched("count 1", {{0, 3}})},
        {"negative text length", patched("text 0 0", {{0, -1}})},
        {"text longer than 3000", patched("text 0 0", {{0, 3001}})},
        {"huge text length", patched("text 1 1", {{0, INT_MAX}})},
        {"negative format length", patched("format 0 1", {{0, -5}})},
        {"huge format length", patched("format 0 0", {{0, 0x40000000}})},
        {"owner in a missing line", patched("owner 1 1", {{0, 7}, {4, 0}})},
        {"owner beyond the line's cells", patched("owner 1 1", {{0, 0}, {4, 2}})},
        {"negative owned count", patched("owned 0 0", {{0, -1}})},
        {"huge owned count", patched("owned 0 0", {{0, INT_MAX}})},
        {"owned cell in a missing line", patched("owned 0 0", {{4, 9}})},
        {"owned cell beyond its line", patched("owned 0 0", {{8, 5}})},
        {"owned cell that names no owner", patched("owner 1 0", {{0, -1}})},
        {"owned cell naming another owner", patched("owner 1 0", {{4, 1}})},
        {"picture without BM", patched("bmp 0 1", {{0, 0x12345678}})},
        {"picture with a huge size", patched("bmp 0 1", {{34, INT_MAX}})},
        {"picture with a huge width", patched("bmp 0 1", {{18, 0x10000000}})},
        {"picture with a bad header size", patched("bmp 0 1", {{14, 1000000}})},
        {"compressed picture", patched("bmp 0 1", {{30, 1}})},
        {"picture of 0 bits", patched("bmp 0 1", {{26, 1}})},
        {"cell owning itself", crafted([](Lines& l) {
             l[0][1].owned = {{0, 1}};
             l[0][1].owner = {0, 1};
         })},
        {"owned cell that owns", crafted([](Lines& l) {
             l[1][0].owned = {{1, 1}};
             l[1][1].owner = {1, 0};
         })},
        {"two owners of one cell", crafted([](Lines& l) {
             l[0][1].owned = {{1, 0}};
         })},
        {"cell owned twice by one top", crafted([](Lines& l) {
             l[0][0].owned = {{1, 0}, {1, 0}};
         })},
        {"owner cycle", crafted([](Lines& l) {
             l[0][0].owner = {1, 0};
             l[1][0].owned = {{0, 0}};
         })},
    };
    for (const Damage& d : damages)
        ExpectRefused(d.make(), d.name);
}

// Values outside what the operations and the layout produce are refused, with the field and
// its range named: pages beyond what can be painted, and sums that could overflow.
TEST_F(HostileStreamTest, AbsurdGeometryIsRefused) {
    const struct {
        const char* field;
        int delta;
        int32_t lo, hi; // the accepted range
        const char* name;
    } fields[] = {
        {"lines", -49, 0, MAX_PAGE_PX, "页面宽度"},                      // PageWidth
        {"lines", -45, 0, MAX_PAGE_PX, "页面高度"},                      // PageHeight
        {"lines", -37, -MAX_SIZE_PX, MAX_SIZE_PX, "上边距"},             // TopMarginPx
        {"lines", -25, -MAX_MARGIN_MM, MAX_MARGIN_MM, "左边距（毫米）"}, // LeftMargin (mm)
        {"count 0", 16, -MAX_SIZE_PX, MAX_SIZE_PX, "拖动行高"},          // DragHeight of line 0
        {"count 0", 12, -MAX_EDGE_PX, MAX_EDGE_PX, "行高"},              // MinHeight of line 0
        {"count 0", 20, -MAX_POSITION_PX, MAX_POSITION_PX, "行顶"},      // LineTop of line 0
        {"text 0 0", -100, -MAX_SIZE_PX, MAX_SIZE_PX, "单元格边距"},
        {"text 0 0", -88, -MAX_SIZE_PX, MAX_SIZE_PX, "单元格宽度"},
        {"text 0 0", -52, -MAX_SIZE_PX, MAX_SIZE_PX, "拖动高度"},
        {"text 0 0", -48, -MAX_EDGE_PX, MAX_EDGE_PX, "最小高度"},
        {"text 0 1", -34, -MAX_SIZE_PX, MAX_SIZE_PX, "上框线宽度"},
        {"text 1 0", -24, -MAX_SIZE_PX, MAX_SIZE_PX, "下框线宽度"},
    };
    for (const auto& f : fields) {
        for (const int32_t value : {INT_MAX, INT_MIN, f.hi + 1, f.lo - 1}) {
            Crafter crafter;
            QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
            qToLittleEndian(value, bytes.data() + crafter.at.at(f.field) + f.delta);
            const std::string what = std::string(f.field) + " " + std::to_string(f.delta) + " = " +
                                     std::to_string(value);
            ExpectRefused(
                bytes, what,
                QStringLiteral("%1 %2 超出范围").arg(QString::fromUtf8(f.name)).arg(value));
        }
    }
    // A page at the limit loads.
    Crafter crafter;
    QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
    qToLittleEndian<int32_t>(MAX_PAGE_PX, bytes.data() + crafter.at.at("lines") - 49);
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, bytes));
    EXPECT_EQ(doc.PageWidth, MAX_PAGE_PX);
}

// The largest accepted values, over many lines and cells, still lay out without overflow, and
// what is saved from them loads again to the same bytes.
TEST_F(HostileStreamTest, HugeButAcceptedDocumentsLayOutAndReadBack) {
    Lines lines(3000, std::vector<CellSpec>(1));
    lines[0] = std::vector<CellSpec>(2500);
    Crafter crafter;
    QByteArray bytes = crafter.Build(0xAA57, lines);
    // Every line dragged to the largest height and measured as the largest; every cell of
    // line 0 as wide as allowed.
    const int firstLine = crafter.at.at("count 2999") + 4;
    int at = firstLine;
    for (int i = 0; i < 3000; ++i) {
        qToLittleEndian<int32_t>(MAX_SIZE_PX, bytes.data() + at + 8);
        at += 32;
        for (size_t j = 0; j < lines[i].size(); ++j) {
            if (i == 0) qToLittleEndian<int32_t>(MAX_SIZE_PX, bytes.data() + at + 12);
            if (i % 100 == 1) qToLittleEndian<int32_t>(MAX_EDGE_PX, bytes.data() + at + 52);
            at += 104 + 4 + 1 + 60 + 12;
        }
    }
    ASSERT_EQ(at, crafter.at.at("trailer"));
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, bytes));
    const TReportLine* last = doc.Lines.last();
    EXPECT_EQ(last->LineTop, MAX_EDGE_PX);
    EXPECT_EQ(doc.Lines[0]->LineRect.right, doc.LeftMarginPx + 2500 * MAX_SIZE_PX);
    EXPECT_GE(last->LineRect.bottom, last->LineTop);
    const QByteArray saved = Save(doc);
    TReportDocument again;
    ASSERT_TRUE(Load(again, saved));
    EXPECT_EQ(Save(again), saved);
}

// The operations hold what they are given to the limits the reader reads back with, so a
// template edited to the extremes is saved and loaded again.
TEST_F(HostileStreamTest, OperationsStayWithinWhatTheReaderReads) {
    const struct {
        const char* name;
        std::function<void(TReportDocument&)> edit;
        std::function<bool(const TReportDocument&)> held;
    } cases[] = {
        {"SetCellWidth", [](TReportDocument& d) { At(d, 0, 0)->SetCellWidth(INT_MAX); },
         [](const TReportDocument& d) { return At(d, 0, 0)->CellWidth == MAX_SIZE_PX; }},
        {"SetCellWidth of every cell",
         [](TReportDocument& d) {
             for (TReportLine* line : d.Lines)
                 for (TReportCell* cell : line->Cells)
                     cell->SetCellWidth(1 << 20);
         },
         [](const TReportDocument& d) { return At(d, 1, 1)->CellWidth == MAX_SIZE_PX; }},
        {"SetDragHeight", [](TReportDocument& d) { d.Lines[1]->SetDragHeight(1 << 20); },
         [](const TReportDocument& d) { return d.Lines[1]->DragHeight == MAX_SIZE_PX; }},
        {"SetDragHeight negative", [](TReportDocument& d) { d.Lines[0]->SetDragHeight(-5); },
         [](const TReportDocument& d) { return d.Lines[0]->DragHeight == 0; }},
        {"SetMargin", [](TReportDocument& d) { d.SetMargin(INT_MAX, 1 << 20, 10000, -3); },
         [](const TReportDocument& d) {
             return d.LeftMargin == MAX_MARGIN_MM && d.TopMargin == MAX_MARGIN_MM &&
                    d.RightMargin == MAX_MARGIN_MM && d.BottomMargin == 0 &&
                    d.LeftMarginPx <= MAX_SIZE_PX;
         }},
        {"border widths",
         [](TReportDocument& d) {
             Select(d, {{0, 0}});
             d.SetSelBorders(true, true, true, true, INT_MAX, 1 << 20, -1, 7);
         },
         [](const TReportDocument& d) {
             const TReportCell* c = At(d, 0, 0);
             return c->LeftLineWidth == MAX_SIZE_PX && c->TopLineWidth == MAX_SIZE_PX &&
                    c->RightLineWidth == 0 && c->BottomLineWidth == 7;
         }},
    };
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        c.edit(doc);
        doc.UpdateLines();
        EXPECT_TRUE(c.held(doc)) << c.name;
        const QByteArray saved = Save(doc);
        TReportDocument again;
        bool loaded = false;
        try {
            loaded = Load(again, saved);
        } catch (const KarvellError& e) {
            ADD_FAILURE() << c.name << ": " << e.message().toStdString();
        }
        EXPECT_TRUE(loaded) << c.name;
        EXPECT_EQ(Save(again), saved) << c.name;
    }
}

// A small file must not unpack into a huge image: a 1-bit picture of 64 Mi pixels and one
// more is refused (8 MB stored, 256 MB decoded).
TEST_F(HostileStreamTest, PicturesBeyondTheImageLimitAreRefused) {
    Lines lines = SmallDocument();
    lines[0][1].bmp = test::MakeBmp(8192, int(MAX_IMAGE_PIXELS / 8192) + 1, 1, 0);
    Crafter crafter;
    ExpectRefused(crafter.Build(0xAA57, lines), "huge 1-bit picture",
                  QStringLiteral("BMP 图像过大"));
}

// A device of `size` bytes that starts with `head` and then holds zeros (none of them stored),
// or an endless pipe of them; it counts what is read from it and whether anyone seeks.
class ZeroDevice : public QIODevice {
public:
    ZeroDevice(QByteArray head, qint64 size, bool sequential)
        : m_head(std::move(head)), m_size(size), m_sequential(sequential) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return m_sequential; }
    qint64 size() const override { return m_sequential ? 0 : m_size; }
    bool seek(qint64 pos) override {
        ++seeks;
        return QIODevice::seek(pos);
    }
    qint64 delivered = 0;
    int seeks = 0;

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = m_sequential ? max : std::min(max, m_size - delivered);
        for (qint64 i = 0; i < n; ++i)
            data[i] = delivered + i < m_head.size() ? m_head[delivered + i] : '\0';
        delivered += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    qint64 m_size;
    bool m_sequential;
};

// The magic is checked before the rest is read, a stream longer than any template is refused
// before it is read, and a pipe is neither sought nor read without end.
TEST_F(HostileStreamTest, LargeStreamsAreNotReadBeforeTheirMagicIsChecked) {
    const qint64 big = MAX_TEMPLATE_BYTES + (64 << 20);
    const struct {
        const char* name;
        QByteArray head;
        bool sequential;
        ReadStatus status;
        const char* message;
    } cases[] = {
        {"large file without the magic", "", false, ReadStatus::BadMagic, "格式不正确"},
        {"large file with the magic", "\x57\xAA", false, ReadStatus::Corrupt, "256 MB 的上限"},
        {"endless pipe without the magic", "", true, ReadStatus::BadMagic, "格式不正确"},
    };
    for (const auto& c : cases) {
        ZeroDevice device(c.head, big, c.sequential);
        TemplateData data;
        QString error;
        EXPECT_EQ(ReadTemplate(device, 0, data, &error), c.status) << c.name;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << c.name;
        // Qt reads ahead in blocks of its own; what counts is that the rest stays unread.
        EXPECT_LE(device.delivered, 1 << 16) << c.name;
        if (c.sequential) {
            EXPECT_EQ(device.seeks, 0) << c.name;
        }
        EXPECT_TRUE(data.lines.isEmpty()) << c.name;
    }
}

} // namespace
} // namespace karvell
