// Hostile template streams: every damaged variant is refused with an error, never crashes or
// reads past its data, and leaves the loaded document as it was.
#include <gtest/gtest.h>

#include <QtEndian>
#include <climits>
#include <functional>

#include "model/reportdocument.h"
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

TEST_F(HostileStreamTest, TruncatedStreamsAreRefused) {
    Crafter crafter;
    const QByteArray full = crafter.Build(0xAA57, SmallDocument());
    {
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, full));
    }
    for (int n = 0; n < full.size(); ++n)
        ExpectRefused(full.left(n), "cut at " + std::to_string(n));
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

// Values far outside any page are refused, so that the layout's sums cannot overflow.
TEST_F(HostileStreamTest, AbsurdGeometryIsRefused) {
    const struct {
        const char* field;
        int delta;
    } fields[] = {
        {"lines", -37},     // TopMarginPx
        {"lines", -25},     // LeftMargin (mm)
        {"count 0", 16},    // DragHeight of line 0 (after both cell counts)
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
TEST_F(HostileStreamTest, HugeButAcceptedDocumentsLayOut) {
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
            if (i == 0) qToLittleEndian<int32_t>(1 << 20, bytes.data() + at + 12);
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
