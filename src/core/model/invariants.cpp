#include "model/invariants.h"

#include <QHash>
#include <QSet>
#include <cstdio>
#include <cstdlib>

#include "model/reportdocument.h"

namespace karvell {

QStringList InvariantViolations(const TReportDocument& doc) {
    QStringList errors;
    auto where = [](int i, int j) { return QStringLiteral("(%1, %2)").arg(i).arg(j); };

    // Where every cell lives; a cell found twice is an error of its own.
    QHash<const TReportCell*, std::pair<int, int>> position;
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const TReportLine* line = doc.Lines[i];
        if (line->Index != i)
            errors << QStringLiteral("line %1 has Index %2").arg(i).arg(line->Index);
        if (line->ReportControl != &doc)
            errors << QStringLiteral("line %1 is not held by the document").arg(i);
        if (line->Cells.isEmpty()) errors << QStringLiteral("line %1 has no cell").arg(i);
        for (int j = 0; j < line->Cells.size(); ++j) {
            const TReportCell* cell = line->Cells[j];
            if (position.contains(cell))
                errors << QStringLiteral("cell %1 is also at %2")
                              .arg(where(i, j), where(position[cell].first, position[cell].second));
            position.insert(cell, {i, j});
            if (cell->CellIndex != j)
                errors << QStringLiteral("cell %1 has CellIndex %2")
                              .arg(where(i, j))
                              .arg(cell->CellIndex);
            if (cell->OwnerLine != line)
                errors << QStringLiteral("cell %1 names another line").arg(where(i, j));
        }
    }

    for (auto it = position.cbegin(); it != position.cend(); ++it) {
        const TReportCell* cell = it.key();
        const auto [i, j] = it.value();
        if (cell->OwnerCell) {
            if (!position.contains(cell->OwnerCell))
                errors << QStringLiteral("owner of %1 is not in the document").arg(where(i, j));
            else if (!cell->OwnerCell->OwnedCells.contains(const_cast<TReportCell*>(cell)))
                errors << QStringLiteral("owner of %1 does not list it").arg(where(i, j));
            if (!cell->OwnedCells.isEmpty())
                errors << QStringLiteral("%1 is both owned and a merge top").arg(where(i, j));
        }
        QSet<int> linesOfBlock;
        for (const TReportCell* owned : cell->OwnedCells) {
            // Pointers not held by the document are compared, never followed.
            if (!position.contains(owned)) {
                errors << QStringLiteral("%1 owns a cell not in the document").arg(where(i, j));
                continue;
            }
            const auto [oi, oj] = position[owned];
            if (owned->OwnerCell != cell)
                errors << QStringLiteral("%1 owned by %2 names another owner")
                              .arg(where(oi, oj), where(i, j));
            if (oi <= i)
                errors << QStringLiteral("%1 owned by %2 is not below it")
                              .arg(where(oi, oj), where(i, j));
            if (linesOfBlock.contains(oi))
                errors << QStringLiteral("block of %1 has two cells in line %2")
                              .arg(where(i, j))
                              .arg(oi);
            linesOfBlock.insert(oi);
        }
    }

    auto alive = [&](const TReportCell* cell) { return !cell || position.contains(cell); };
    if (!alive(doc.FocusCell)) errors << QStringLiteral("FocusCell is not in the document");
    if (!alive(doc.LastSelectedCell))
        errors << QStringLiteral("LastSelectedCell is not in the document");
    if (!alive(doc.EditingCell)) errors << QStringLiteral("EditingCell is not in the document");
    QSet<const TReportCell*> selected;
    for (const TReportCell* cell : doc.SelectedCells) {
        if (!cell || !position.contains(cell))
            errors << QStringLiteral("a selected cell is not in the document");
        if (selected.contains(cell)) errors << QStringLiteral("a cell is selected twice");
        selected.insert(cell);
    }
    return errors;
}

#ifdef KARVELL_CHECK_INVARIANTS
void AssertInvariants(const TReportDocument& doc, const char* after) {
    const QStringList errors = InvariantViolations(doc);
    if (errors.isEmpty()) return;
    std::fprintf(stderr, "broken document invariants after %s:\n", after);
    for (const QString& e : errors)
        std::fprintf(stderr, "  %s\n", e.toUtf8().constData());
    std::abort();
}
#endif

} // namespace karvell
