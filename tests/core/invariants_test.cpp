// The structure checker finds each kind of broken document, and names it.
#include <gtest/gtest.h>

#include <functional>

#include "model/invariants.h"
#include "model/reportdocument.h"
#include "model_helpers.h"

namespace karvell {
namespace {

using test::At;
using test::LetterPrinter;
using test::Select;

class InvariantsTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.NewTable(3, 3);
        other.NewTable(1, 1);
        // A merge block: (0, 0) over (1, 0).
        Select(doc, {{0, 0}, {1, 0}});
        doc.CombineCell();
        doc.ClearSelection();
        ASSERT_EQ(At(doc, 1, 0)->OwnerCell, At(doc, 0, 0));
    }
    LetterPrinter printer;
    TReportDocument doc;
    TReportDocument other;
};

TEST_F(InvariantsTest, ASoundDocumentHasNoViolation) {
    EXPECT_TRUE(InvariantViolations(doc).isEmpty())
        << InvariantViolations(doc).join('\n').toStdString();
}

TEST_F(InvariantsTest, EachBrokenInvariantIsFoundAndNamed) {
    const struct {
        const char* name;
        std::function<void()> breakIt, repair;
        const char* expected;
    } cases[] = {
        {"wrong line index", [&] { doc.Lines[1]->Index = 5; }, [&] { doc.Lines[1]->Index = 1; },
         "line 1 has Index 5"},
        {"wrong cell index", [&] { At(doc, 2, 2)->CellIndex = 0; },
         [&] { At(doc, 2, 2)->CellIndex = 2; }, "cell (2, 2) has CellIndex 0"},
        {"cell names another line", [&] { At(doc, 2, 1)->OwnerLine = doc.Lines[0]; },
         [&] { At(doc, 2, 1)->OwnerLine = doc.Lines[2]; }, "cell (2, 1) names another line"},
        {"owner list without the owned cell", [&] { At(doc, 0, 0)->OwnedCells.clear(); },
         [&] { At(doc, 0, 0)->OwnedCells.append(At(doc, 1, 0)); },
         "owner of (1, 0) does not list it"},
        {"owned cell names another owner", [&] { At(doc, 1, 0)->OwnerCell = At(doc, 0, 1); },
         [&] { At(doc, 1, 0)->OwnerCell = At(doc, 0, 0); }, "names another owner"},
        {"owner outside the document", [&] { At(doc, 1, 0)->OwnerCell = At(other, 0, 0); },
         [&] { At(doc, 1, 0)->OwnerCell = At(doc, 0, 0); },
         "owner of (1, 0) is not in the document"},
        {"current cell outside the document", [&] { doc.FocusCell = At(other, 0, 0); },
         [&] { doc.FocusCell = nullptr; }, "FocusCell is not in the document"},
        {"a cell selected twice",
         [&] {
             doc.SelectedCells = {At(doc, 2, 2), At(doc, 2, 2)};
         },
         [&] { doc.SelectedCells.clear(); }, "a cell is selected twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt();
        const QStringList found = InvariantViolations(doc);
        c.repair();
        ASSERT_FALSE(found.isEmpty());
        EXPECT_TRUE(found.join('\n').contains(QLatin1String(c.expected)))
            << found.join('\n').toStdString();
        EXPECT_TRUE(InvariantViolations(doc).isEmpty());
    }
}

#ifdef KARVELL_CHECK_INVARIANTS
TEST_F(InvariantsTest, ACheckingBuildStopsAtTheRelayoutAfterTheFault) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            At(doc, 0, 0)->OwnedCells.clear();
            doc.UpdateLines();
        },
        "broken document invariants after UpdateLines");
}
#endif

} // namespace
} // namespace karvell
