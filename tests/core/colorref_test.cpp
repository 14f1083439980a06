// Stored colours: RGB values and the symbolic system colours, resolved in one place; the
// template file keeps a symbolic value as it is.
#include <QBuffer>
#include <gtest/gtest.h>

#include "model/reportdocument.h"
#include "render/colorref.h"

using namespace karvell;

TEST(ColorRef, SymbolicSystemColoursResolveToTheirRgb) {
    const struct {
        COLORREF stored;
        QColor drawn;
    } cases[] = {
        {0x80000008u, QColor(0, 0, 0)},       // window text
        {0x80000005u, QColor(255, 255, 255)}, // window
        {0x8000000Eu, QColor(255, 255, 255)}, // highlight text
        {0x800000FFu, QColor(0, 0, 0)},       // no such index
        {RGB(1, 2, 3), QColor(1, 2, 3)},
        {0x01FF8000u, QColor(0, 128, 255)}, // the unused top byte of an RGB value is ignored
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColorFromColorRef(c.stored), c.drawn) << std::hex << c.stored;
        EXPECT_EQ(ResolveColorRef(c.stored), ColorRefFromColor(c.drawn)) << std::hex << c.stored;
    }
    EXPECT_EQ(clWindowText, 0x80000008u);
    EXPECT_TRUE(IsSystemColor(clWindowText));
    EXPECT_FALSE(IsSystemColor(RGB(255, 255, 255)));
}

TEST(ColorRef, TemplateStreamKeepsTheSymbolicValue) {
    TReportDocument doc;
    doc.NewTable(2, 1);
    doc.AddSelectedCell(doc.Lines[0]->Cells[1]);
    doc.SetSelColors(clWindowText, 0x80000005u);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 0);
    TReportDocument loaded;
    ASSERT_TRUE(loaded.LoadFromStream(buffer, 0));
    EXPECT_EQ(loaded.Lines[0]->Cells[1]->TextColor, 0x80000008u);
    EXPECT_EQ(loaded.Lines[0]->Cells[1]->BackGroundColor, 0x80000005u);
}
