#include "model_helpers.h"

#include <QBuffer>
#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/printer.h"

namespace karvell::test {

LetterPrinter::LetterPrinter() : m_env("KARVELL_NO_PRINTERS", QByteArray()) {
    PrinterService::Instance().Reset();
    DEVMODE* dm = PrinterService::Instance().LockPrinterDevMode();
    dm->dmPaperSize = 0; // custom: length and width give the size
    dm->dmOrientation = DMORIENT_PORTRAIT;
    dm->dmPaperWidth = 2032;  // 8 in
    dm->dmPaperLength = 2794; // 11 in
}

LetterPrinter::~LetterPrinter() {
    PrinterService::Instance().Reset();
}

QByteArray G(const char* utf8) {
    return Gbk::Encode(QString::fromUtf8(utf8));
}

TReportCell* At(const TReportDocument& doc, int line, int cell) {
    if (line < 0 || line >= doc.Lines.size() || cell < 0 || cell >= doc.Lines[line]->Cells.size()) {
        ADD_FAILURE() << "no cell (" << line << ", " << cell << ")";
        return nullptr;
    }
    return doc.Lines[line]->Cells[cell];
}

std::pair<int, int> PositionOf(const TReportDocument& doc, const TReportCell* cell) {
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const int j = doc.Lines[i]->Cells.indexOf(const_cast<TReportCell*>(cell));
        if (j >= 0) return {i, j};
    }
    return {-1, -1};
}

void Select(TReportDocument& doc, const std::vector<std::pair<int, int>>& cells) {
    doc.ClearSelection();
    for (const auto& [l, c] : cells)
        if (TReportCell* cell = At(doc, l, c)) doc.AddSelectedCell(cell);
}

QByteArray Save(TReportDocument& doc) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 0);
    return buffer.data();
}

bool Load(TReportDocument& doc, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return doc.LoadFromStream(buffer, 0);
}

std::vector<std::string> CheckInvariants(const TReportDocument& doc) {
    std::vector<std::string> errors;
    auto fail = [&](const QString& message) { errors.push_back(message.toStdString()); };
    auto where = [](int i, int j) { return QStringLiteral("(%1, %2)").arg(i).arg(j); };

    // Where every cell lives; a cell found twice is an error of its own.
    QHash<const TReportCell*, std::pair<int, int>> position;
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const TReportLine* line = doc.Lines[i];
        if (line->Index != i) fail(QStringLiteral("line %1 has Index %2").arg(i).arg(line->Index));
        if (line->ReportControl != &doc)
            fail(QStringLiteral("line %1 is not held by the document").arg(i));
        if (line->Cells.isEmpty()) fail(QStringLiteral("line %1 has no cell").arg(i));
        for (int j = 0; j < line->Cells.size(); ++j) {
            const TReportCell* cell = line->Cells[j];
            if (position.contains(cell))
                fail(QStringLiteral("cell %1 is also at %2")
                         .arg(where(i, j), where(position[cell].first, position[cell].second)));
            position.insert(cell, {i, j});
            if (cell->CellIndex != j)
                fail(QStringLiteral("cell %1 has CellIndex %2")
                         .arg(where(i, j))
                         .arg(cell->CellIndex));
            if (cell->OwnerLine != line)
                fail(QStringLiteral("cell %1 names another line").arg(where(i, j)));
        }
    }

    for (auto it = position.cbegin(); it != position.cend(); ++it) {
        const TReportCell* cell = it.key();
        const auto [i, j] = it.value();
        if (cell->OwnerCell) {
            if (!position.contains(cell->OwnerCell))
                fail(QStringLiteral("owner of %1 is not in the document").arg(where(i, j)));
            else if (!cell->OwnerCell->OwnedCells.contains(const_cast<TReportCell*>(cell)))
                fail(QStringLiteral("owner of %1 does not list it").arg(where(i, j)));
            if (!cell->OwnedCells.isEmpty())
                fail(QStringLiteral("%1 is both owned and a merge top").arg(where(i, j)));
        }
        QSet<int> linesOfBlock;
        for (const TReportCell* owned : cell->OwnedCells) {
            if (!position.contains(owned)) {
                fail(QStringLiteral("%1 owns a cell not in the document").arg(where(i, j)));
                continue;
            }
            const auto [oi, oj] = position[owned];
            if (owned->OwnerCell != cell)
                fail(QStringLiteral("%1 owned by %2 names another owner")
                         .arg(where(oi, oj), where(i, j)));
            if (oi <= i)
                fail(QStringLiteral("%1 owned by %2 is not below it")
                         .arg(where(oi, oj), where(i, j)));
            if (linesOfBlock.contains(oi))
                fail(QStringLiteral("block of %1 has two cells in line %2")
                         .arg(where(i, j))
                         .arg(oi));
            linesOfBlock.insert(oi);
        }
    }

    auto alive = [&](const TReportCell* cell) { return !cell || position.contains(cell); };
    if (!alive(doc.FocusCell)) fail(QStringLiteral("FocusCell is not in the document"));
    if (!alive(doc.LastSelectedCell))
        fail(QStringLiteral("LastSelectedCell is not in the document"));
    if (!alive(doc.EditingCell)) fail(QStringLiteral("EditingCell is not in the document"));
    QSet<const TReportCell*> selected;
    for (const TReportCell* cell : doc.SelectedCells) {
        if (!cell || !position.contains(cell))
            fail(QStringLiteral("a selected cell is not in the document"));
        if (selected.contains(cell)) fail(QStringLiteral("a cell is selected twice"));
        selected.insert(cell);
    }
    return errors;
}

std::vector<std::vector<int>> Widths(const TReportDocument& doc) {
    std::vector<std::vector<int>> widths;
    for (const TReportLine* line : doc.Lines) {
        widths.emplace_back();
        for (const TReportCell* cell : line->Cells)
            widths.back().push_back(cell->CellWidth);
    }
    return widths;
}

} // namespace karvell::test
