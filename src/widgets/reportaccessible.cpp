#include "reportaccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include "model/editortext.h"
#include "reportcontrol.h"

namespace karvell {
namespace {

// Compares pointers only: a cell that was deleted must not be read.
bool HasCell(const TReportDocument& d, const TReportCell* cell) {
    if (!cell) return false;
    for (const TReportLine* line : d.Lines)
        if (line->Cells.contains(cell)) return true;
    return false;
}

class GridAccessible;

class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellAccessible(TReportControl* grid, TReportCell* cell) : m_grid(grid), m_cell(cell) {}

    bool isValid() const override { return m_grid && HasCell(*m_grid, m_cell); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return table(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) return QString();
        return EditorText::FromCell(m_cell->CellText);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) return;
        // The in-place editor's rules: what GBK cannot hold is dropped, the 3000-byte limit
        // counts each line break as CR LF.
        m_cell->SetCellText(EditorText::ToCell(EditorText::Fit(text, MAX_TEXT_BYTES)));
        m_grid->UpdateLines();
    }
    QRect rect() const override {
        if (!isValid()) return QRect();
        const QRect r = m_cell->CellRect.ToQRect();
        const double z = m_grid->Zoom / 100.0;
        const QRect scaled(int(r.left() * z), int(r.top() * z), int(r.width() * z),
                           int(r.height() * z));
        return QRect(m_grid->mapToGlobal(scaled.topLeft()), scaled.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = m_grid->IsCellSelected(m_cell);
        s.focused = m_grid->FocusCell == m_cell;
        s.multiSelectable = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return isValid() && m_grid->IsCellSelected(m_cell); }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? m_cell->CellIndex : -1; }
    int rowIndex() const override { return isValid() ? m_cell->OwnerLine->Index : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return isValid() ? 1 + int(m_cell->OwnedCells.size()) : 1; }
    QAccessibleInterface* table() const override {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
    }

    TReportCell* Cell() const { return m_cell; }

private:
    QPointer<TReportControl> m_grid;
    TReportCell* m_cell;
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(TReportControl* grid)
        : QAccessibleWidget(grid, QAccessible::Table), m_grid(grid) {}
    ~GridAccessible() override {
        for (QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // Children: the cells that are not covered, line by line.
    int childCount() const override { return int(Visible().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<TReportCell*> cells = Visible();
        return index >= 0 && index < cells.size() ? For(cells[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::Cell) return -1;
        const auto* cell = static_cast<const CellAccessible*>(child);
        return int(Visible().indexOf(cell->Cell()));
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = m_grid->mapFromGlobal(QPoint(x, y)) * 100 / std::max(1, m_grid->Zoom);
        TReportCell* cell = m_grid->CellFromPoint(p);
        return cell ? For(cell) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return HasCell(*m_grid, m_grid->FocusCell) ? For(Top(m_grid->FocusCell)) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? QStringLiteral("报表") : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= m_grid->Lines.size()) return nullptr;
        const QList<TReportCell*>& cells = m_grid->Lines[row]->Cells;
        return column >= 0 && column < cells.size() ? For(Top(cells[column])) : nullptr;
    }
    int selectedCellCount() const override { return int(m_grid->SelectedCells.size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> out;
        for (TReportCell* cell : std::as_const(m_grid->SelectedCells))
            out.append(For(cell));
        return out;
    }
    QString columnDescription(int) const override { return QString(); }
    QString rowDescription(int row) const override {
        return QStringLiteral("第 %1 行").arg(row + 1);
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override {
        int n = 0;
        for (const TReportLine* line : std::as_const(m_grid->Lines))
            n = std::max(n, int(line->Cells.size()));
        return n;
    }
    int rowCount() const override { return int(m_grid->Lines.size()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (int i = 0; i < m_grid->Lines.size(); ++i)
            if (isRowSelected(i)) rows.append(i);
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        if (row < 0 || row >= m_grid->Lines.size()) return false;
        for (TReportCell* cell : std::as_const(m_grid->Lines[row]->Cells))
            if (!cell->OwnerCell && !m_grid->IsCellSelected(cell)) return false;
        return !m_grid->Lines[row]->Cells.isEmpty();
    }
    bool selectRow(int row) override {
        if (row < 0 || row >= m_grid->Lines.size()) return false;
        for (TReportCell* cell : std::as_const(m_grid->Lines[row]->Cells))
            m_grid->AddSelectedCell(Top(cell));
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override {
        if (row < 0 || row >= m_grid->Lines.size()) return false;
        for (TReportCell* cell : std::as_const(m_grid->Lines[row]->Cells))
            m_grid->RemoveSelectedCell(cell);
        return true;
    }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    static TReportCell* Top(TReportCell* cell) { return cell->OwnerCell ? cell->OwnerCell : cell; }
    QList<TReportCell*> Visible() const {
        QList<TReportCell*> cells;
        for (const TReportLine* line : std::as_const(m_grid->Lines))
            for (TReportCell* cell : line->Cells)
                if (!cell->OwnerCell) cells.append(cell);
        return cells;
    }
    // One interface per cell, registered with Qt and kept for the grid's lifetime.
    QAccessibleInterface* For(TReportCell* cell) const {
        auto it = m_cells.constFind(cell);
        if (it != m_cells.constEnd()) {
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(*it)) return known;
        }
        auto* iface = new CellAccessible(m_grid, cell);
        m_cells.insert(cell, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }

    TReportControl* m_grid;
    mutable QHash<const TReportCell*, QAccessible::Id> m_cells;
};

QAccessibleInterface* GridFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("karvell::TReportControl") && object && object->isWidgetType())
        return new GridAccessible(static_cast<TReportControl*>(object));
    return nullptr;
}

} // namespace

void InstallGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    (void)installed;
}

void NotifyGridFocusChanged(TReportControl* grid) {
    if (!grid || !QAccessible::isActive()) return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    QAccessibleInterface* focus = table ? table->focusChild() : nullptr;
    if (!focus) return;
    QAccessibleEvent event(grid, QAccessible::Focus);
    event.setChild(table->indexOfChild(focus));
    QAccessible::updateAccessibility(&event);
}

void NotifyGridSelectionChanged(TReportControl* grid) {
    if (!grid || !QAccessible::isActive()) return;
    QAccessibleEvent event(grid, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&event);
}

} // namespace karvell
