// The styles the font dialog offers for a face: the real ones of the family it is drawn with,
// then bold, italic and bold italic synthesised where the family has none.
#include <gtest/gtest.h>

#include "platform/facestyles.h"
#include "platform/logfont.h"

namespace karvell {
namespace {

TEST(FaceStyles, RealStylesFirstThenEachMissingCombinationOnce) {
    InstallFontSubstitutions();
    for (const QString& face : {QStringLiteral("宋体"), QStringLiteral("黑体"),
                                QStringLiteral("DejaVu Sans"), QStringLiteral("没有这个字体")}) {
        SCOPED_TRACE(face.toStdString());
        const QList<FaceStyle> styles = FaceStyles(face);
        ASSERT_FALSE(styles.isEmpty());
        bool seenSynthesised = false;
        int combos[2][2] = {};
        for (const FaceStyle& s : styles) {
            EXPECT_FALSE(seenSynthesised && !s.synthesised) << "a real style after a made one";
            seenSynthesised |= s.synthesised;
            ++combos[s.weight >= 600][s.italic];
            if (s.synthesised) {
                EXPECT_EQ(combos[s.weight >= 600][s.italic], 1) << s.name.toStdString();
            }
        }
        for (auto& heavy : combos)
            for (int count : heavy)
                EXPECT_GE(count, 1); // regular, italic, bold and bold italic are all offered
    }
}

TEST(FaceStyles, TheStoredWeightAndSlantPickTheirStyle) {
    const QList<FaceStyle> styles = {{"Light", 300, false, false},
                                     {"Regular", 400, false, false},
                                     {"粗体", 700, false, true},
                                     {"倾斜", 400, true, true},
                                     {"粗偏斜体", 700, true, true}};
    struct Case {
        int weight;
        bool italic;
        int index;
    } cases[] = {{0, false, 1},   {400, false, 1}, {300, false, 0}, {700, false, 2},
                 {900, false, 2}, {400, true, 3},  {700, true, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(StyleIndexFor(styles, c.weight, c.italic), c.index) << c.weight << c.italic;
}

} // namespace
} // namespace karvell
