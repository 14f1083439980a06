// The expansion engine: one run turns the template and the registered data sets into pages —
// the header, one copy of the detail line per record as far as the page height allows, and the
// page footer, or the last footer on the last page.
#include <QSet>

#include "platform/error.h"
#include "platform/gbk.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

const QString kCannotFit = QStringLiteral("表格未能完全处理,请调整单元格宽度或页边距等设置");
const QString kTotalsFailed = QStringLiteral("统计时发生错误，请检查模板设置是否正确");

// Raised when the header and footer alone leave no room and there is no body line to take off.
KarvellError NoBodyLine() {
    return KarvellError(
        QStringLiteral("页眉与页脚的高度超过了页面高度，无法放置明细行，请调整模板或页边距"));
}

TReportLine* ProduceLine(const TReportLine* templateLine) {
    auto* line = new TReportLine;
    line->MinHeight = templateLine->MinHeight;
    line->DragHeight = templateLine->DragHeight;
    line->Cells.reserve(templateLine->Cells.size());
    return line;
}

TReportCell* ProduceCell(TReportLine* line) {
    auto* cell = new TReportCell;
    cell->OwnerLine = line;
    line->Cells.append(cell);
    return cell;
}

// Merge links that leave the page (a block whose other part lies in a line this page does not
// show: the other footer variant, an earlier page) are hidden while the page is laid out and
// written, so every page is a self-contained document; they are restored afterwards.
class PageMergeView {
public:
    explicit PageMergeView(const QList<TReportLine*>& page) {
        for (qsizetype i = 0; i < page.size(); ++i)
            page[i]->Index = int(i);
        auto inPage = [&page](const TReportCell* c) {
            const TReportLine* l = c->OwnerLine;
            return l && l->Index >= 0 && l->Index < page.size() && page[l->Index] == l;
        };
        for (TReportLine* line : page) {
            for (TReportCell* cell : line->Cells) {
                if (cell->OwnerCell && !inPage(cell->OwnerCell)) {
                    m_owners.append(std::make_pair(cell, cell->OwnerCell));
                    cell->OwnerCell = nullptr;
                }
                if (cell->OwnedCells.isEmpty()) continue;
                if (std::all_of(cell->OwnedCells.cbegin(), cell->OwnedCells.cend(), inPage))
                    continue;
                m_owned.append(std::make_pair(cell, cell->OwnedCells));
                cell->OwnedCells.removeIf([&](const TReportCell* c) { return !inPage(c); });
            }
        }
    }
    ~PageMergeView() {
        for (const auto& [cell, owner] : m_owners)
            cell->OwnerCell = owner;
        for (const auto& [cell, owned] : m_owned)
            cell->OwnedCells = owned;
    }
    PageMergeView(const PageMergeView&) = delete;
    PageMergeView& operator=(const PageMergeView&) = delete;

private:
    QList<std::pair<TReportCell*, TReportCell*>> m_owners;
    QList<std::pair<TReportCell*, QList<TReportCell*>>> m_owned;
};

} // namespace

// Every line produced in one run, owned until the run ends (also on errors): lines that left
// their list are kept as well, since cells produced later may refer to their cells.
struct TReportRunTime::RunLines {
    explicit RunLines(TReportRunTime* runtime) : rt(runtime) {}
    ~RunLines() {
        rt->PageLines.clear();
        qDeleteAll(rt->CellTables);
        rt->CellTables.clear();
        for (QList<TReportLine*>* list : {&header, &pageFooter, &lastFooter, &body, &discarded})
            qDeleteAll(*list);
    }
    RunLines(const RunLines&) = delete;
    RunLines& operator=(const RunLines&) = delete;

    // Frees body lines of a finished page (or a record moved on): their cells leave the merged
    // blocks they joined and the bookkeeping, so no reference to them remains.
    void Free(const QList<TReportLine*>& lines) {
        if (lines.isEmpty()) return;
        if (rt->CellTables.isEmpty() && !HasMergeLinks(lines)) {
            qDeleteAll(lines);
            return;
        }
        QSet<const TReportLine*> gone;
        for (const TReportLine* l : lines)
            gone.insert(l);
        for (TReportLine* line : lines) {
            for (TReportCell* cell : line->Cells) {
                if (cell->OwnerCell && !gone.contains(cell->OwnerCell->OwnerLine))
                    cell->OwnerCell->OwnedCells.removeOne(cell);
                for (TReportCell* owned : cell->OwnedCells)
                    if (owned->OwnerCell == cell && !gone.contains(owned->OwnerLine))
                        owned->OwnerCell = nullptr;
            }
        }
        QList<TCellTable*>& tables = rt->CellTables;
        for (qsizetype i = tables.size() - 1; i >= 0; --i) {
            if (gone.contains(tables[i]->ProducedCell->OwnerLine)) {
                delete tables[i];
                tables.removeAt(i);
            }
        }
        qDeleteAll(lines);
    }

    static bool HasMergeLinks(const QList<TReportLine*>& lines) {
        for (const TReportLine* line : lines)
            for (const TReportCell* cell : line->Cells)
                if (cell->OwnerCell || !cell->OwnedCells.isEmpty()) return true;
        return false;
    }

    TReportRunTime* rt;
    QList<TReportLine*> header, pageFooter, lastFooter, body, discarded;
};

bool TReportRunTime::AddTotals(TDataSet* detail, const TReportLine* detailLine, double sign) {
    try {
        // Totals exist for the first 41 cells of the detail line only.
        const qsizetype columns = std::min<qsizetype>(detailLine->Cells.size(), TOTAL_COLUMNS);
        for (qsizetype j = 0; j < columns; ++j) {
            const TReportCell* t = detailLine->Cells[j];
            if (!t->CellText.startsWith('#')) continue;
            FieldKind kind;
            const TField field = DetailField(detail, t, &kind);
            // Only the columns a total function reads are added up: a column no function reads
            // is text that adds nothing, whatever it holds.
            if (!m_totalColumns[size_t(j)] || field.IsBlank()) continue;
            // A value that reads as a number counts, whatever the column's declared type. Any
            // other value is refused (the data error names the record and the field).
            DecimalValue v;
            if (!field.ReadNumber(&v)) field.AsDecimal(); // throws
            PageTotals[j].Add(v, int(sign));
            RunningTotals[j].Add(v, int(sign));
        }
    } catch (const std::exception& e) {
        Outcome.Note(kTotalsFailed);
        // A page with a wrong total must not be printed: the run is marked as failed, with
        // the reason (which record's value is not a number).
        const auto* error = dynamic_cast<const KarvellError*>(&e);
        Outcome.RunIssue = error ? error->message() : kTotalsFailed;
        Outcome.WrongTotals = true;
        return false;
    }
    return true;
}

int TReportRunTime::BuildPages(bool build, int pageCount) {
    // 1. A fresh run.
    FreePages();
    m_templateOf.clear();
    PageTotals.fill(0);
    RunningTotals.fill(0);
    SumAllLineIndex = 0;
    FooterLineIndex = 0;
    PageNo = 1;
    Outcome.RunIssue.clear();
    Outcome.WrongTotals = false;
    m_buildPass = build;
    m_lastPage = false;
    m_fieldCache.clear();
    CollectTotalColumns();
    RunLines run(this); // 9. frees everything produced, whatever way the run ends
    TDataSet* detail = nullptr;
    int records = 0;
    qint64 headerHeight = 0, pageFooterHeight = 0, lastFooterHeight = 0;

    // 2. Header scan, up to the first line holding a "#" cell.
    int detailIndex = -1;
    for (int i = 0; i < TemplateLines.size() && detailIndex < 0; ++i) {
        TReportLine* t = TemplateLines[i];
        TReportLine* line = ProduceLine(t);
        if (KeepNumberCells) m_templateOf.insert(line, t);
        run.header.append(line);
        for (TReportCell* tc : t->Cells) {
            TReportCell* cell = ProduceCell(line);
            if (tc->CellText.startsWith('#')) {
                detailIndex = i;
                detail = PlaceholderDataSet(tc->CellText);
                if (detail) {
                    records = detail->RecordCount();
                    detail->First();
                }
                run.discarded.append(run.header.takeLast());
                break;
            }
            FillCell(false, cell, nullptr, tc);
        }
        if (detailIndex < 0) {
            line->UpdateLineHeight();
            headerHeight += line->LineHeight();
        }
    }

    // 3. / 8. Without a detail line the template is one page, never split.
    if (detailIndex < 0) {
        PageLines = run.header;
        PageMergeView view(PageLines);
        LayoutLines(PageLines);
        m_lastPage = true;
        if (build) AddPage(1, pageCount);
        return build ? 0 : PageNo;
    }
    const TReportLine* detailLine = TemplateLines[detailIndex];

    // 4. Page footer: the footer without the lines that hold a running total.
    for (int i = detailIndex + 1; i < TemplateLines.size(); ++i) {
        TReportLine* t = TemplateLines[i];
        TReportLine* line = ProduceLine(t);
        if (KeepNumberCells) m_templateOf.insert(line, t);
        run.pageFooter.append(line);
        bool dropped = false;
        for (TReportCell* tc : t->Cells) {
            if (Gbk::Upper(tc->CellText.left(7)) == "`SUMALL") {
                if (SumAllLineIndex == 0) SumAllLineIndex = i;
                run.discarded.append(run.pageFooter.takeLast());
                dropped = true;
                break;
            }
            FillCell(false, ProduceCell(line), detail, tc);
        }
        if (!dropped) {
            line->UpdateLineHeight();
            pageFooterHeight += line->LineHeight();
        }
    }

    // 5. Last footer: all footer lines.
    for (int i = detailIndex + 1; i < TemplateLines.size(); ++i) {
        TReportLine* t = TemplateLines[i];
        TReportLine* line = ProduceLine(t);
        if (KeepNumberCells) m_templateOf.insert(line, t);
        run.lastFooter.append(line);
        for (TReportCell* tc : t->Cells)
            FillCell(false, ProduceCell(line), detail, tc);
        line->UpdateLineHeight();
        lastFooterHeight += line->LineHeight();
    }

    // 6. Body.
    const qint64 margins = qint64(TopMarginPx) + BottomMarginPx;
    auto height = [&](qint64 body, qint64 footer) {
        return margins + headerHeight + body + footer;
    };
    auto produceDetail = [&](bool blank) {
        TReportLine* line = ProduceLine(detailLine);
        if (KeepNumberCells) m_templateOf.insert(line, detailLine);
        run.body.append(line);
        for (TReportCell* tc : detailLine->Cells)
            FillCell(blank, ProduceCell(line), blank ? nullptr : detail, tc);
        line->UpdateLineHeight();
        return line;
    };
    auto dropLastBodyLine = [&] {
        if (run.body.isEmpty()) throw NoBodyLine();
        run.Free({run.body.takeLast()});
    };
    qint64 bodyHeight = 0;
    int placed = 0;
    bool advance = true;
    bool filled = false;
    while (true) {
        // 6.1 Blank fill of the last page.
        if (AddSpace() && placed == records && height(bodyHeight, lastFooterHeight) < PageHeight) {
            while (true) {
                TReportLine* blankLine = produceDetail(true);
                bodyHeight += blankLine->LineHeight();
                if (height(bodyHeight, lastFooterHeight) > PageHeight ||
                    blankLine->LineHeight() <= 0) {
                    // Its height stays counted, so the last footer is known not to fit.
                    run.Free({run.body.takeLast()});
                    break;
                }
            }
            filled = true;
        }

        // 6.2 Page break.
        if (height(bodyHeight, pageFooterHeight) > PageHeight || placed == records) {
            if (placed < records) {
                // The newest detail line does not fit: its record opens the next page.
                dropLastBodyLine();
                detail->Prior();
                if (!AddTotals(detail, detailLine, -1)) return 0;
                --placed;
            } else if (height(bodyHeight, lastFooterHeight) > PageHeight && !filled) {
                // The last footer does not fit under the last records: the last record
                // opens a new page, which will hold the last footer.
                dropLastBodyLine();
                if (detail) detail->Last();
                --placed;
                advance = false;
                if (detail && !AddTotals(detail, detailLine, -1)) return 0;
            }
            PageLines = run.header + run.body;
            if (run.body.isEmpty()) {
                Outcome.Note(kCannotFit);
                Outcome.RunIssue = kCannotFit;
                break;
            }
            FooterLineIndex = int(PageLines.size());
            PageLines += placed == records ? run.lastFooter : run.pageFooter;
            {
                PageMergeView view(PageLines);
                LayoutLines(PageLines);
                m_lastPage = placed == records;
                if (build) AddPage(PageNo, pageCount);
            }
            PageTotals.fill(0);
            ++PageNo;
            PageLines.clear();
            run.Free(run.body);
            run.body.clear();
            bodyHeight = 0;
            if (placed == records) break;
        }

        // 6.3 Next record.
        TReportLine* line = ProduceLine(detailLine);
        if (KeepNumberCells) m_templateOf.insert(line, detailLine);
        run.body.append(line);
        for (TReportCell* tc : detailLine->Cells)
            FillCell(false, ProduceCell(line), detail, tc);
        if (detail && !AddTotals(detail, detailLine, +1)) return 0;
        line->UpdateLineHeight();
        bodyHeight += line->LineHeight();
        if (advance && detail) detail->Next();
        ++placed;
        if (OnProgress && (placed % 1024 == 0 || placed == records)) OnProgress(placed, records);
    }

    // 7. The number of pages.
    --PageNo;
    return build ? detailIndex : PageNo;
}

} // namespace karvell
