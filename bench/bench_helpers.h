#pragma once
// What the benchmark programs share: templates built from tables of cells on the voucher page,
// the template file they load, and the run of the chosen benchmarks.
#include <QByteArray>
#include <QList>
#include <QString>

#include "model/templatestream.h"

class QTemporaryDir;

namespace karvell::bench {

// One cell of a template line: text and display format in UTF-8, width in pixels.
struct Cell {
    const char* text;
    int width;
    const char* format = "";
    int align = 0;
};
using CellTable = QList<QList<Cell>>;

// The 768 × 1058 page of the voucher benchmarks: margins of 77, 77, 38 and 58 pixels
// (20, 20, 10 and 15 mm) left, top, right and bottom.
TemplateHeader VoucherPage();

// The template of `table`: a line per row, its cells side by side from the page's left margin,
// the lines laid out from its top margin; written with an A4 portrait trailer.
QByteArray TemplateFromTable(const CellTable& table, const TemplateHeader& page);

// Writes `bytes` into "voucher.ept" in `dir` and answers the file's path.
QString WriteTemplateFile(const QTemporaryDir& dir, const QByteArray& bytes);

// Installs the cell fonts' substitutions and runs the benchmarks the command line chooses (the
// Qt application made first); 1 when an argument is left that neither Qt nor the library knows.
int RunBenchmarks(int argc, char** argv);

} // namespace karvell::bench
