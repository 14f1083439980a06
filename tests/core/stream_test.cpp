// The template stream: byte layout, old versions, pictures, merges, and hostile input.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>
#include <climits>
#include <functional>
#include <map>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/textlayout.h"

namespace karvell {
namespace {

using test::At;
using test::CheckInvariants;
using test::G;
using test::LetterPrinter;
using test::Load;
using test::PositionOf;
using test::Save;
using test::Select;
using Pos = std::pair<int, int>;

int32_t I32(const QByteArray& b, int at) { return qFromLittleEndian<int32_t>(b.constData() + at); }

// An uncompressed BMP file image written by hand: palette images with `colours` table entries
// (0: 2^bits), biSizeImage left 0 so readers must compute the pixel size.
QByteArray MakeBmp(int width, int height, int bits, int colours) {
    const int stride = (width * bits + 31) / 32 * 4;
    const int entries = bits <= 8 ? (colours ? colours : 1 << bits) : 0;
    const int offset = 14 + 40 + 4 * entries;
    QByteArray b;
    auto i32 = [&](int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    auto i16 = [&](int16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    b.append("BM");
    i32(offset + stride * height);
    i32(0);
    i32(offset);
    i32(40);
    i32(width);
    i32(height);
    i16(1);
    i16(int16_t(bits));
    i32(0); // BI_RGB
    i32(0); // biSizeImage
    i32(3780);
    i32(3780);
    i32(colours);
    i32(0);
    for (int i = 0; i < entries; ++i)
        i32(int32_t(0x00102030 * (i + 1)) & 0xFFFFFF);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < stride; ++x)
            b.append(char(bits == 4 ? ((x + y) % 3) * 0x11 : (x * 7 + y) & 0xFF));
    return b;
}

struct CellSpec {
    QByteArray text, format;
    Pos owner{-1, -1};
    std::vector<Pos> owned;
    QByteArray bmp; // stored (with HasBitmap 1) when not empty
    int32_t horz = 0;
};
using Lines = std::vector<std::vector<CellSpec>>;

// Writes template streams by the file layout, independently of the program's writer, and
// remembers where named fields start ("text 0 1", "owner 1 0", …).
struct Crafter {
    QByteArray b;
    std::map<std::string, int> at;

    void Mark(const std::string& name) { at.emplace(name, int(b.size())); }
    void I32(int32_t v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    }
    void U8(uint8_t v) { b.append(char(v)); }

    QByteArray Build(uint16_t magic, const Lines& lines) {
        b.clear();
        char m[2];
        qToLittleEndian(magic, m);
        b.append(m, 2);
        for (int v : {100, 768, 1056, 77, 77, 38, 58, 20, 20, 10, 15})
            I32(v);
        U8(1);
        I32(2000);
        I32(1);
        Mark("lines");
        I32(int32_t(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i) {
            Mark("count " + std::to_string(i));
            I32(int32_t(lines[i].size()));
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            for (int v : {int(i), 0, 0, 0, 0, 0, 0, 0})
                I32(v);
            for (size_t j = 0; j < lines[i].size(); ++j) {
                const CellSpec& c = lines[i][j];
                const std::string id = std::to_string(i) + " " + std::to_string(j);
                for (int v : {5, int(j), 77 + 100 * int(j), 100})
                    I32(v);
                for (int k = 0; k < 11; ++k) // CellRect, TextRect, three heights
                    I32(0);
                for (int k = 0; k < 4; ++k) {
                    U8(1);
                    I32(1);
                }
                for (int32_t v : {0, 0, 0xFFFFFF, c.horz, 1})
                    I32(v);
                Mark("text " + id);
                I32(int32_t(c.text.size()));
                b.append(c.text);
                if (magic != 0xAA55) {
                    Mark("format " + id);
                    I32(int32_t(c.format.size()));
                    b.append(c.format);
                }
                if (magic == 0xAA57) {
                    U8(c.bmp.isEmpty() ? 0 : 1);
                    Mark("bmp " + id);
                    b.append(c.bmp);
                }
                Mark("font " + id);
                QByteArray font(60, '\0');
                qToLittleEndian<int32_t>(-16, font.data());
                font[23] = 1;
                font.replace(28, 4, G("宋体"));
                b.append(font);
                Mark("owner " + id);
                I32(c.owner.first);
                I32(c.owner.second);
                Mark("owned " + id);
                I32(int32_t(c.owned.size()));
                for (const Pos& p : c.owned) {
                    I32(p.first);
                    I32(p.second);
                }
            }
        }
        Mark("trailer");
        for (int v : {9, 1, 2970, 2100, 0})
            I32(v);
        return b;
    }
};

// Two lines: a merge top with text and format over a cell below, a cell with a picture.
Lines SmallDocument() {
    Lines lines(2, std::vector<CellSpec>(2));
    lines[0][0].text = G("合并");
    lines[0][0].format = "0.00";
    lines[0][0].owned = {{1, 0}};
    lines[1][0].owner = {0, 0};
    lines[0][1].text = "x";
    lines[0][1].bmp = MakeBmp(3, 2, 1, 0);
    lines[1][1].text = "y";
    return lines;
}

class StreamTest : public ::testing::Test {
protected:
    LetterPrinter printer; // paper 0 (custom), portrait, 2794 × 2032 tenths of a millimetre
    ScriptedMessages messages;
};

struct Field {
    int offset;
    int32_t value;
    int size = 4;
};

void ExpectFields(const QByteArray& bytes, const std::vector<Field>& fields) {
    for (const Field& f : fields) {
        ASSERT_LE(f.offset + f.size, bytes.size());
        const int32_t v = f.size == 1   ? uint8_t(bytes[f.offset])
                          : f.size == 2 ? qFromLittleEndian<uint16_t>(bytes.constData() + f.offset)
                                        : I32(bytes, f.offset);
        EXPECT_EQ(v, f.value) << "at offset " << f.offset;
    }
}

TEST_F(StreamTest, EmptyDocumentIs79Bytes) {
    TReportDocument doc;
    const QByteArray bytes = Save(doc);
    ASSERT_EQ(bytes.size(), 79);
    ExpectFields(bytes, {{0, 0xAA57, 2}, {2, 100},     {6, 768},  {10, 1056}, {14, 77},
                         {18, 77},       {22, 38},     {26, 58},  {30, 20},   {34, 20},
                         {38, 10},       {42, 15},     {46, 1, 1}, {47, 2000}, {51, 1},
                         {55, 0},        {59, 0},      {63, 1},   {67, 2794}, {71, 2032},
                         {75, 0}});
}

TEST_F(StreamTest, OneCellDocumentIs296Bytes) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    const QByteArray bytes = Save(doc);
    ASSERT_EQ(bytes.size(), 296);
    const int h = TextLayout::LineHeight(DefaultCellFont()) + 4;
    const int c = 95; // the cell record
    ExpectFields(bytes, {{55, 1},          {59, 1},         {63, 0},          {67, h},
                         {71, 0},          {75, 77},        {79, 77},         {83, 77},
                         {87, 77 + 653},   {91, 77 + h},    {c, 5},           {c + 4, 0},
                         {c + 8, 77},      {c + 12, 653},   {c + 16, 77},     {c + 28, 77 + h},
                         {c + 32, 83},     {c + 36, 79},    {c + 40, 724},    {c + 44, 79 + h - 4},
                         {c + 48, 0},      {c + 52, h},     {c + 56, 0},      {c + 60, 1, 1},
                         {c + 61, 1},      {c + 75, 1, 1},  {c + 76, 1},      {c + 80, 0},
                         {c + 84, 0},      {c + 88, 0xFFFFFF}, {c + 92, 0},   {c + 96, 1},
                         {c + 100, 0},     {c + 104, 0},    {c + 108, 0, 1},  {c + 109, -16},
                         {c + 109 + 23, 1, 1}, {c + 169, -1}, {c + 173, -1},  {c + 177, 0},
                         {276, 0},         {280, 1},        {284, 2794},      {288, 2032},
                         {292, 0}});
    EXPECT_EQ(bytes.mid(c + 109 + 28, 5), G("宋体") + '\0');
}

TEST_F(StreamTest, ZoomIsStoredAs100) {
    TReportDocument doc;
    doc.SetZoom(60);
    const QByteArray bytes = Save(doc);
    EXPECT_EQ(I32(bytes, 2), 100);
    EXPECT_EQ(doc.Zoom, 100);
}

TEST_F(StreamTest, WritesAtAPositionAndLeavesLongerContentBehind) {
    TReportDocument doc;
    QByteArray data(500, 'z');
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 7);
    EXPECT_EQ(data.size(), 500);
    EXPECT_EQ(data.left(7), QByteArray(7, 'z'));
    EXPECT_EQ(data.mid(86), QByteArray(500 - 86, 'z'));
    TReportDocument other;
    other.NewTable(2, 2);
    EXPECT_TRUE(other.LoadFromStream(buffer, 7));
    EXPECT_TRUE(other.Lines.isEmpty());
}

TEST_F(StreamTest, OldVersionsLoadAndAreWrittenAs0xAA57) {
    const struct {
        uint16_t magic;
        bool formats, pictures;
    } cases[] = {{0xAA55, false, false}, {0xAA56, true, false}, {0xAA57, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.magic);
        Lines lines = SmallDocument();
        if (!c.pictures)
            lines[0][1].bmp.clear();
        Crafter crafter;
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, crafter.Build(c.magic, lines)));
        EXPECT_TRUE(CheckInvariants(doc).empty());
        EXPECT_EQ(At(doc, 0, 0)->CellText, G("合并"));
        EXPECT_EQ(At(doc, 0, 0)->CellDispFormat, c.formats ? QByteArray("0.00") : QByteArray());
        EXPECT_EQ(At(doc, 0, 1)->HasBitmap, c.pictures);
        EXPECT_EQ(At(doc, 1, 1)->CellText, "y"); // the records after them were found
        const QByteArray saved = Save(doc);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(saved.constData()), 0xAA57);
        TReportDocument again;
        ASSERT_TRUE(Load(again, saved));
        EXPECT_EQ(Save(again), saved);
        EXPECT_EQ(At(again, 0, 0)->CellDispFormat, At(doc, 0, 0)->CellDispFormat);
    }
}

TEST_F(StreamTest, TextsEndAtTheFirstZeroByte) {
    Lines lines(1, std::vector<CellSpec>(1));
    lines[0][0].text = QByteArray("AB\0CD", 5);
    lines[0][0].format = QByteArray("0\0.00", 5);
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    EXPECT_EQ(At(doc, 0, 0)->CellText, "AB");
    EXPECT_EQ(At(doc, 0, 0)->CellDispFormat, "0");
}

TEST_F(StreamTest, UnknownMagicShowsAMessageAndKeepsTheDocument) {
    for (const QByteArray& magic : {QByteArray(2, '\0'), QByteArray("\x57\xAB"), QByteArray("BM")}) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        Select(doc, {{1, 1}});
        const QByteArray before = Save(doc);
        Crafter crafter;
        QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
        bytes.replace(0, 2, magic);
        messages.boxes.clear();
        EXPECT_FALSE(Load(doc, bytes));
        ASSERT_EQ(messages.boxes.size(), 1);
        EXPECT_EQ(messages.boxes[0].text, QStringLiteral("格式不正确"));
        EXPECT_EQ(Save(doc), before);
        EXPECT_EQ(doc.FocusCell, At(doc, 1, 1));
    }
}

TEST_F(StreamTest, OwnerWithANegativeIndexIsNone) {
    Lines lines(3, std::vector<CellSpec>(1));
    lines[1][0].owner = {2, -1};
    lines[2][0].owner = {-1, 0};
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    EXPECT_EQ(At(doc, 1, 0)->OwnerCell, nullptr);
    EXPECT_EQ(At(doc, 2, 0)->OwnerCell, nullptr);
}

TEST_F(StreamTest, MergesSurviveARoundTrip) {
    // Owned cells in a stored order that is not line order, and a block made by editing.
    Lines lines(4, std::vector<CellSpec>(2));
    lines[0][1].owned = {{3, 1}, {1, 1}, {2, 1}};
    for (int i = 1; i < 4; ++i)
        lines[i][1].owner = {0, 1};
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    Select(doc, {{1, 0}, {2, 0}});
    doc.CombineCell();
    auto merges = [](const TReportDocument& d) {
        std::vector<std::pair<Pos, std::vector<Pos>>> all;
        for (const TReportLine* line : d.Lines)
            for (const TReportCell* cell : line->Cells)
                if (cell->OwnedCellCount()) {
                    all.push_back({PositionOf(d, cell), {}});
                    for (const TReportCell* o : cell->OwnedCells) {
                        EXPECT_EQ(o->OwnerCell, cell);
                        all.back().second.push_back(PositionOf(d, o));
                    }
                }
        return all;
    };
    const auto expected = std::vector<std::pair<Pos, std::vector<Pos>>>{
        {{0, 1}, {{3, 1}, {1, 1}, {2, 1}}}, {{1, 0}, {{2, 0}}}};
    EXPECT_EQ(merges(doc), expected);
    TReportDocument again;
    ASSERT_TRUE(Load(again, Save(doc)));
    EXPECT_EQ(merges(again), expected);
    EXPECT_EQ(Save(again), Save(doc));
}

TEST_F(StreamTest, PicturesRoundTripByteForByte) {
    const QByteArray bmps[] = {MakeBmp(3, 2, 1, 0), MakeBmp(5, 3, 4, 3), MakeBmp(2, 2, 8, 0),
                               MakeBmp(3, 1, 24, 0)};
    for (const QByteArray& bmp : bmps) {
        Lines lines(1, std::vector<CellSpec>(1));
        lines[0][0].text = "t";
        lines[0][0].format = "0.0";
        lines[0][0].bmp = bmp;
        Crafter crafter;
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
        const QImage& image = At(doc, 0, 0)->CellBitmap->image;
        EXPECT_EQ(image.size(), QSize(I32(bmp, 18), I32(bmp, 22)));
        const QByteArray saved = Save(doc);
        EXPECT_EQ(saved.size(), 296 + 1 + 3 + bmp.size());
        EXPECT_EQ(saved.mid(95 + 109 + 4, bmp.size()), bmp);
    }
}

// Hostile input: every variant must be refused with an error, never crash or over-read, and
// leave the loaded document as it was.
void ExpectRefused(const QByteArray& bytes, const std::string& what) {
    TReportDocument doc;
    doc.NewTable(2, 2);
    Select(doc, {{0, 1}});
    const QByteArray before = Save(doc);
    bool loaded = false;
    try {
        loaded = Load(doc, bytes);
    } catch (const KarvellError& e) {
        EXPECT_FALSE(e.message().isEmpty()) << what;
    }
    EXPECT_FALSE(loaded) << what;
    EXPECT_EQ(Save(doc), before) << what;
    EXPECT_EQ(doc.FocusCell, At(doc, 0, 1)) << what;
}

TEST_F(StreamTest, TruncatedStreamsAreRefused) {
    Crafter crafter;
    const QByteArray full = crafter.Build(0xAA57, SmallDocument());
    {
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, full));
    }
    for (int n = 0; n < full.size(); ++n)
        ExpectRefused(full.left(n), "cut at " + std::to_string(n));
}

TEST_F(StreamTest, DamagedStreamsAreRefused) {
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
        {"two owners of one cell", crafted([](Lines& l) { l[0][1].owned = {{1, 0}}; })},
        {"cell owned twice by one top", crafted([](Lines& l) { l[0][0].owned = {{1, 0}, {1, 0}}; })},
        {"owner cycle", crafted([](Lines& l) {
             l[0][0].owner = {1, 0};
             l[1][0].owned = {{0, 0}};
         })},
    };
    for (const Damage& d : damages)
        ExpectRefused(d.make(), d.name);
}

// Values far outside any page are refused, so that the layout's sums cannot overflow.
TEST_F(StreamTest, AbsurdGeometryIsRefused) {
    const struct {
        const char* field;
        int delta;
    } fields[] = {
        {"lines", -37},    // TopMarginPx
        {"lines", -25},    // LeftMargin (mm)
        {"count 0", 16},   // DragHeight of line 0 (after both cell counts)
        {"text 0 0", -100}, // CellMargin
        {"text 0 0", -88},  // CellWidth
        {"text 0 0", -52},  // DragCellHeight
        {"text 0 0", -48},  // MinCellHeight
        {"text 0 1", -34},  // TopLineWidth
        {"text 1 0", -24},  // BottomLineWidth
    };
    for (const auto& f : fields) {
        for (const int32_t value : {INT_MAX, INT_MIN, (1 << 20) + 1}) {
            Crafter crafter;
            QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
            qToLittleEndian(value, bytes.data() + crafter.at.at(f.field) + f.delta);
            ExpectRefused(bytes, std::string(f.field) + " " + std::to_string(f.delta) + " = " +
                                     std::to_string(value));
        }
    }
}

// The largest accepted values, over many lines and cells, still lay out without overflow.
TEST_F(StreamTest, HugeButAcceptedDocumentsLayOut) {
    Lines lines(3000, std::vector<CellSpec>(1));
    lines[0] = std::vector<CellSpec>(2500);
    Crafter crafter;
    QByteArray bytes = crafter.Build(0xAA57, lines);
    // Every line dragged to the largest height, every cell of line 0 as wide as allowed.
    const int firstLine = crafter.at.at("count 2999") + 4;
    int at = firstLine;
    for (int i = 0; i < 3000; ++i) {
        qToLittleEndian<int32_t>(1 << 20, bytes.data() + at + 8);
        at += 32;
        for (size_t j = 0; j < lines[i].size(); ++j) {
            if (i == 0)
                qToLittleEndian<int32_t>(1 << 20, bytes.data() + at + 12);
            at += 104 + 4 + 1 + 60 + 12;
        }
    }
    ASSERT_EQ(at, crafter.at.at("trailer"));
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, bytes));
    const TReportLine* last = doc.Lines.last();
    EXPECT_GT(last->LineTop, 1 << 27);
    EXPECT_GT(doc.Lines[0]->LineRect.right, 1 << 27);
    EXPECT_GE(last->LineRect.bottom, last->LineTop);
    EXPECT_GE(doc.Lines[0]->LineRect.right, doc.Lines[0]->Cells.last()->CellLeft);
}

} // namespace
} // namespace karvell
