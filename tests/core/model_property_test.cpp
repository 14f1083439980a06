// Random editing sessions: after every operation the document keeps its structure (merge links,
// one line per cell, numbering, the current cell) and survives a save and reload unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/messages.h"

namespace karvell {
namespace {

using test::CheckInvariants;
using test::G;
using test::LetterPrinter;
using test::Load;
using test::PositionOf;
using test::Save;

class Session {
public:
    explicit Session(uint32_t seed) : m_rng(seed), m_doc(std::make_unique<TReportDocument>()) {}

    TReportDocument& doc() { return *m_doc; }
    const std::string& log() const { return m_log; }

    // Runs one random operation, noted in the log.
    void Step() {
        // Weighted so that documents grow and blocks form as often as they fall apart.
        static const int weights[] = {3, 5, 2, 1, 3, 3, 1, 2, 2, 1, 3, 1,
                                      2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        int total = 0;
        for (int w : weights)
            total += w;
        int pick = Pick(0, total - 1);
        int op = 0;
        while (pick >= weights[op])
            pick -= weights[op++];
        switch (op) {
        case 0:
            SelectRandom();
            return;
        case 1:
            SelectColumn();
            if (Pick(0, 1)) Run("CombineCell", [&] { m_doc->CombineCell(); });
            return;
        case 2:
            SelectRow();
            return;
        case 3: {
            const int c = Pick(1, 4), r = Pick(1, 4);
            Log("NewTable(" + std::to_string(c) + "," + std::to_string(r) + ")");
            m_doc->NewTable(c, r);
            return;
        }
        case 4:
            Run("AddLine", [&] { m_doc->AddLine(); });
            return;
        case 5:
            Run("InsertLine", [&] { m_doc->InsertLine(); });
            return;
        case 6:
            Run("DeleteLine", [&] { m_doc->DeleteLine(); });
            return;
        case 7:
            Run("AddCell", [&] { m_doc->AddCell(); });
            return;
        case 8:
            Run("InsertCell", [&] { m_doc->InsertCell(); });
            return;
        case 9:
            Run("DeleteCell", [&] { m_doc->DeleteCell(); });
            return;
        case 10:
            Run("CombineCell", [&] { m_doc->CombineCell(); });
            return;
        case 11:
            Run("SplitCell", [&] { m_doc->SplitCell(); });
            return;
        case 12: {
            const int n = Pick(1, 6);
            Run("VSplitCell(" + std::to_string(n) + ")", [&] { m_doc->VSplitCell(n); });
            return;
        }
        case 13: {
            const int tw = Pick(1, 3), bw = Pick(1, 3);
            Run("SetSelBorders", [&] {
                m_doc->SetSelBorders(Pick(0, 1), Pick(0, 1), Pick(0, 1), Pick(0, 1), Pick(1, 2), tw,
                                     Pick(1, 2), bw);
            });
            return;
        }
        case 14: {
            static const char* const texts[] = {"", "A", "汉字\r\n", "1\r\n2\r\n3\r\n4\r\n5\r\n6",
                                                "很长的一段文字，会在窄的单元格里折成好几行。"};
            const QByteArray text = G(texts[Pick(0, 4)]);
            Run("SetSelText", [&] {
                m_doc->SetSelText(text);
                m_doc->UpdateLines();
            });
            return;
        }
        case 15: {
            LOGFONTA font = DefaultCellFont();
            font.lfHeight = -Pick(9, 30);
            Run("SetSelFont", [&] { m_doc->SetSelFont(font); });
            return;
        }
        case 16:
            Run("SetSelAlign", [&] { m_doc->SetSelAlign(Pick(0, 3), Pick(0, 3)); });
            return;
        case 17:
            if (TReportCell* cell = RandomCell()) {
                const int w = Pick(5, 200);
                Run("SetCellWidth(" + Where(cell) + "," + std::to_string(w) + ")", [&] {
                    cell->SetCellWidth(w);
                    m_doc->UpdateLines();
                });
            }
            return;
        case 18:
            if (!m_doc->Lines.isEmpty()) {
                TReportLine* line = m_doc->Lines[Pick(0, int(m_doc->Lines.size()) - 1)];
                const int h = Pick(0, 1) ? 0 : Pick(10, 90);
                Run("SetDragHeight", [&] {
                    line->SetDragHeight(h);
                    m_doc->UpdateLines();
                });
            }
            return;
        case 19:
            if (!m_doc->SelectedCells.isEmpty()) {
                TReportCell* cell =
                    m_doc->SelectedCells[Pick(0, int(m_doc->SelectedCells.size()) - 1)];
                Run("RemoveSelectedCell(" + Where(cell) + ")",
                    [&] { m_doc->RemoveSelectedCell(cell); });
            }
            return;
        case 20:
            Run("ClearSelection", [&] { m_doc->ClearSelection(); });
            return;
        case 21:
            if (Pick(0, 4) == 0) Run("ResetContent", [&] { m_doc->ResetContent(); });
            return;
        default: {
            // Continue on the reloaded document, as after closing and opening the file.
            const QByteArray bytes = Save(*m_doc);
            auto loaded = std::make_unique<TReportDocument>();
            Log("Reload");
            Load(*loaded, bytes);
            m_doc = std::move(loaded);
            return;
        }
        }
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    void Log(const std::string& s) { m_log += s + "; "; }
    void Run(const std::string& name, const std::function<void()>& f) {
        Log(name);
        f();
    }
    std::string Where(const TReportCell* cell) const {
        const auto [l, c] = PositionOf(*m_doc, cell);
        return std::to_string(l) + ":" + std::to_string(c);
    }

    QList<TReportCell*> AllCells() const {
        QList<TReportCell*> cells;
        for (TReportLine* line : m_doc->Lines)
            cells += line->Cells;
        return cells;
    }
    TReportCell* RandomCell() {
        const QList<TReportCell*> cells = AllCells();
        return cells.isEmpty() ? nullptr : cells[Pick(0, int(cells.size()) - 1)];
    }

    void Add(const QList<TReportCell*>& cells) {
        if (Pick(0, 2) != 0) // without shift the selection starts anew
            m_doc->ClearSelection();
        std::string names = "Select(";
        for (TReportCell* cell : cells) {
            names += Where(cell) + " ";
            m_doc->AddSelectedCell(cell);
        }
        Log(names + ")");
    }

    // Any cells at all, owned cells included.
    void SelectRandom() {
        QList<TReportCell*> cells = AllCells();
        std::shuffle(cells.begin(), cells.end(), m_rng);
        cells.resize(std::min<qsizetype>(cells.size(), Pick(0, 4)));
        Add(cells);
    }
    // A cell and the cells of the same extent below it: what combines into a block.
    void SelectColumn() {
        TReportCell* start = RandomCell();
        if (!start) return;
        QList<TReportCell*> cells{start};
        const int from = PositionOf(*m_doc, start).first;
        const int count = Pick(1, 3);
        for (int i = from + 1; i < m_doc->Lines.size() && cells.size() <= count; ++i)
            for (TReportCell* cell : m_doc->Lines[i]->Cells)
                if (cell->CellLeft == start->CellLeft && cell->CellWidth == start->CellWidth)
                    cells.append(cell);
        Add(cells);
    }
    // Neighbours in a line, possibly in two lines.
    void SelectRow() {
        TReportCell* start = RandomCell();
        if (!start) return;
        const auto [l, c] = PositionOf(*m_doc, start);
        QList<TReportCell*> cells;
        for (int i = l; i <= std::min<int>(l + Pick(0, 1), m_doc->Lines.size() - 1); ++i) {
            const TReportLine* line = m_doc->Lines[i];
            for (int j = c; j <= std::min<int>(c + 1, line->Cells.size() - 1); ++j)
                cells.append(line->Cells[j]);
        }
        Add(cells);
    }

    std::mt19937 m_rng;
    std::unique_ptr<TReportDocument> m_doc;
    std::string m_log;
};

// The document is laid out: lines stacked from the top margin, cells side by side.
std::vector<std::string> CheckLayout(const TReportDocument& doc) {
    std::vector<std::string> errors;
    int top = doc.TopMarginPx;
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const TReportLine* line = doc.Lines[i];
        if (line->LineTop != top) errors.push_back("line " + std::to_string(i) + " is not stacked");
        top = line->LineTop + line->LineHeight();
        int left = doc.LeftMarginPx;
        for (const TReportCell* cell : line->Cells) {
            if (cell->CellLeft != left || cell->CellRect.left != left ||
                cell->CellRect.top != line->LineTop)
                errors.push_back("a cell of line " + std::to_string(i) + " is out of place");
            left += cell->CellWidth;
        }
    }
    return errors;
}

int FirstDifference(const QByteArray& a, const QByteArray& b) {
    int i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

TEST(ModelPropertyTest, RandomEditingKeepsTheDocumentWhole) {
    LetterPrinter printer;
    ScriptedMessages messages;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        Session session(seed);
        session.doc().NewTable(1 + seed % 4, 2 + seed % 4);
        for (int step = 0; step < 30; ++step) {
            session.Step();
            TReportDocument& doc = session.doc();
            auto errors = CheckInvariants(doc);
            const auto layout = CheckLayout(doc);
            errors.insert(errors.end(), layout.begin(), layout.end());
            ASSERT_TRUE(errors.empty()) << "seed " << seed << ": " << errors.front() << "\n"
                                        << session.log();
            const QByteArray saved = Save(doc);
            TReportDocument loaded;
            ASSERT_TRUE(Load(loaded, saved)) << "seed " << seed;
            const QByteArray again = Save(loaded);
            ASSERT_EQ(again.size(), saved.size()) << "seed " << seed << "\n" << session.log();
            ASSERT_TRUE(again == saved) << "seed " << seed << ": first difference at byte "
                                        << FirstDifference(saved, again) << "\n"
                                        << session.log();
        }
    }
}

} // namespace
} // namespace karvell
