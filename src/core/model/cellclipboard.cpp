#include "model/cellclipboard.h"

#include <QMap>
#include <algorithm>

#include "model/navigation.h"
#include "platform/error.h"
#include "platform/gbk.h"

namespace karvell {
namespace {

// The selected cells row by row: rows in line order, cells in their order within the line.
QList<QList<const TReportCell*>> SelectedRows(const TReportDocument& d) {
    QMap<int, QList<const TReportCell*>> byLine;
    for (const TReportCell* cell : d.SelectedCells)
        if (cell->OwnerLine) byLine[cell->OwnerLine->Index].append(cell);
    QList<QList<const TReportCell*>> rows;
    for (QList<const TReportCell*>& row : byLine) {
        std::sort(row.begin(), row.end(), [](const TReportCell* a, const TReportCell* b) {
            return a->CellIndex < b->CellIndex;
        });
        rows.append(row);
    }
    return rows;
}

void CopyFormat(TReportCell& to, const TReportCell& from) {
    to.SetLeftLine(from.LeftLine);
    to.SetTopLine(from.TopLine);
    to.SetRightLine(from.RightLine);
    to.SetBottomLine(from.BottomLine);
    to.SetLeftLineWidth(from.LeftLineWidth);
    to.SetTopLineWidth(from.TopLineWidth);
    to.SetRightLineWidth(from.RightLineWidth);
    to.SetBottomLineWidth(from.BottomLineWidth);
    to.DiagonalFlags = from.DiagonalFlags;
    to.SetTextColor(from.TextColor);
    to.SetBackGroundColor(from.BackGroundColor);
    to.HorzAlign = from.HorzAlign;
    to.VertAlign = from.VertAlign;
    to.SetLogFont(from.LogFont);
    to.SetCellDispFormat(from.CellDispFormat);
    to.SetCellText(from.CellText);
}

// The target cells of a paste: from the current cell, one row per line downwards, one column
// per cell rightwards; covered cells and cells beyond a line's end are skipped (none).
template <typename Fn> int PasteGrid(TReportDocument& d, int rows, Fn&& columnsOf) {
    const TReportCell* start = d.FocusCell;
    if (!start || !start->OwnerLine || !d.Lines.contains(start->OwnerLine)) return 0;
    const int line0 = start->OwnerLine->Index;
    const int cell0 = start->CellIndex;
    int changed = 0;
    for (int r = 0; r < rows && line0 + r < d.Lines.size(); ++r) {
        TReportLine* line = d.Lines[line0 + r];
        changed += columnsOf(r, [&](int c) -> TReportCell* {
            const int at = cell0 + c;
            if (at >= line->Cells.size()) return nullptr;
            TReportCell* cell = line->Cells[at];
            return cell->OwnerCell ? nullptr : cell;
        });
    }
    if (changed) d.UpdateLines();
    return changed;
}

} // namespace

CopiedCells CopyCells(const TReportDocument& d) {
    CopiedCells out;
    const QList<QList<const TReportCell*>> rows = SelectedRows(d);
    if (rows.isEmpty()) return out;
    TReportDocument clip;
    QStringList textRows;
    for (const QList<const TReportCell*>& row : rows) {
        auto* line = new TReportLine;
        line->ReportControl = &clip;
        clip.Lines.append(line);
        int left = 0;
        QStringList texts;
        for (const TReportCell* source : row) {
            auto* cell = new TReportCell;
            cell->SetOwnerLine(line);
            cell->CellIndex = int(line->Cells.size());
            line->Cells.append(cell);
            cell->SetCellLeft(left);
            cell->SetCellWidth(source->CellWidth);
            left += source->CellWidth;
            CopyFormat(*cell, *source);
            texts << Gbk::Decode(source->CellText);
        }
        textRows << texts.join(u'\t');
    }
    clip.UpdateLines();
    out.stream = clip.Snapshot();
    out.text = textRows.join(u'\n');
    return out;
}

int PasteCells(TReportDocument& d, const QByteArray& stream) {
    if (stream.isEmpty() || stream.size() > MAX_CLIPBOARD_BYTES) return 0;
    TReportDocument clip;
    try {
        clip.RestoreSnapshot(stream);
    } catch (const KarvellError&) {
        return 0; // not cells this program copied: nothing happens
    }
    return PasteGrid(d, int(clip.Lines.size()), [&](int r, const auto& target) {
        int n = 0;
        const QList<TReportCell*>& sources = clip.Lines[r]->Cells;
        for (int c = 0; c < sources.size(); ++c) {
            if (sources[c]->OwnerCell) continue;
            if (TReportCell* cell = target(c)) {
                CopyFormat(*cell, *sources[c]);
                d.CellChanged(cell); // formats too, not only a changed text
                ++n;
            }
        }
        return n;
    });
}

int PasteText(TReportDocument& d, const QString& text) {
    if (text.isEmpty() || text.size() > MAX_CLIPBOARD_BYTES) return 0;
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (plain.endsWith(u'\n')) plain.chop(1); // spreadsheets end the last row too
    const QStringList rows = plain.split(u'\n');
    return PasteGrid(d, int(rows.size()), [&](int r, const auto& target) {
        int n = 0;
        const QStringList columns = rows[r].split(u'\t');
        for (int c = 0; c < columns.size(); ++c) {
            if (TReportCell* cell = target(c)) {
                cell->SetCellText(
                    Gbk::TruncateBytes(Gbk::EncodeStorable(columns[c]), MAX_TEXT_BYTES));
                ++n;
            }
        }
        return n;
    });
}

CopiedCells CutCells(TReportDocument& d) {
    CopiedCells copied = CopyCells(d);
    ClearSelectedTexts(d);
    return copied;
}

} // namespace karvell
