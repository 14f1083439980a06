// Mouse editing of a large template: the in-place editor's live update per keystroke (set the
// cell text, lay the whole document out, move the box) on a 1,000-line × 20-cell template, in
// the document alone and through the grid window's edit box with real key events; and a border
// drag's mouse move, counting the pixels it repaints.
//
//   cellediting_bench --benchmark_repetitions=3
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>
#include <memory>

#include "model/gridmouse.h"
#include "model/headlessgrid.h"
#include "platform/logfont.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

constexpr int kLines = 1000;
constexpr int kCells = 20;

QPoint CentreOf(const TReportCell* cell) {
    const TRect& r = cell->CellRect;
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Empties the cell and opens its editor again with a double click at its centre.
void StartOver(TReportDocument& grid, TGridMouse& mouse, TReportCell* cell) {
    grid.CancelEdit();
    cell->SetCellText(QByteArray());
    grid.UpdateLines();
    mouse.DoubleClick(CentreOf(cell));
}

// Each keystroke types one more letter (every eighth a Chinese one) with `type`; every 64
// letters `restart` starts the cell over, outside the timing, so the text keeps a realistic
// length and the line keeps growing and shrinking.
template <class Restart, class Type>
void TypeIntoCell(benchmark::State& state, const Restart& restart, const Type& type) {
    int typed = 0;
    for (auto _ : state) {
        if (typed % 64 == 0) {
            state.PauseTiming();
            restart();
            state.ResumeTiming();
        }
        type(typed % 8 == 7 ? QStringLiteral("汉") : QStringLiteral("a"));
        ++typed;
    }
}

void LiveUpdateDocument(benchmark::State& state) {
    THeadlessGrid grid;
    grid.NewTable(kCells, kLines);
    TReportCell* cell = grid.Lines[kLines / 2]->Cells[kCells / 2];
    TGridMouse mouse(grid);
    TypeIntoCell(
        state, [&] { StartOver(grid, mouse, cell); },
        [&](const QString& text) { grid.TypeText(text); });
    state.counters["lines"] = kLines;
    state.counters["cells"] = kLines * kCells;
}
BENCHMARK(LiveUpdateDocument)->Unit(benchmark::kMillisecond);

void KeyInto(QWidget* box, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

void LiveUpdateWindow(benchmark::State& state) {
    TReportControl grid;
    grid.NewTable(kCells, kLines);
    grid.show();
    QApplication::processEvents();
    TReportCell* cell = grid.Lines[10]->Cells[kCells / 2];
    TypeIntoCell(
        state,
        [&] {
            StartOver(grid, grid.Mouse(), cell);
            QApplication::processEvents();
        },
        [&](const QString& text) { KeyInto(grid.EditBox(), text); });
}
BENCHMARK(LiveUpdateWindow)->Unit(benchmark::kMillisecond);

class PaintCounter : public QObject {
public:
    qint64 pixels = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                pixels += qint64(r.width()) * r.height();
        return false;
    }
};

// One mouse move of a column-border drag, painted: the old and the new drag line only.
void DragMove(benchmark::State& state) {
    TReportControl grid;
    grid.NewTable(kCells, kLines);
    grid.show();
    QApplication::processEvents();
    const TRect r = grid.Lines[0]->Cells[5]->CellRect;
    const QPoint start(r.right - 1, r.top + 4);
    QMouseEvent press(QEvent::MouseButtonPress, start, grid.mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &press);
    QApplication::processEvents();
    PaintCounter counter;
    grid.installEventFilter(&counter);
    int step = 0;
    for (auto _ : state) {
        const QPoint p(r.right - 8 + (step++ % 16), r.top + 4);
        QMouseEvent move(QEvent::MouseMove, p, grid.mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&grid, &move);
        QApplication::processEvents(); // the repaint of the two lines
    }
    state.counters["painted_px_per_move"] =
        benchmark::Counter(double(counter.pixels) / double(state.iterations()));
    state.counters["page_px"] = double(grid.width()) * grid.height();
    QMouseEvent release(QEvent::MouseButtonRelease, start, grid.mapToGlobal(start), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &release);
}
BENCHMARK(DragMove)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
