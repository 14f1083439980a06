// The runtime's line parsers: cell placeholders ("@set.field", "#set.field"), SetData
// command lines ("SetDataSet(name,path)", "SETVARVALUE(name,value)") and the report functions
// of cell texts ("`SumPage(1,3)", "`PageNum/"), on any bytes.
#include "fuzz_common.h"
#include "model/reportcell.h"
#include "runtime/reportruntime.h"

using namespace karvell;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray set = TReportRunTime::PlaceholderDataSetName(text);
    const QByteArray field = TReportRunTime::PlaceholderFieldName(text);
    if (set.size() > text.size() || field.size() > text.size())
        fuzz::Finding("a placeholder name is longer than its text");
    // Each line of the input is a SetData line; the runtime runs them all, twice.
    static TReportRunTime runtime;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray& line : lines) {
        runtime.RunSetDataLine(line, false, true);
        runtime.RunSetDataLine(line, true, false);
    }
    // Each line is also a cell text with a report function, the first line its display format.
    runtime.PageTotals.fill(1234.5);
    runtime.RunningTotals.fill(-0.25);
    TReportCell cell;
    cell.CellDispFormat = lines.first().left(64);
    for (const QByteArray& line : lines) {
        runtime.EvalFunction(line);
        runtime.EvalSumPage(cell.CellDispFormat, line);
        runtime.EvalSumAll(cell.CellDispFormat, line);
        cell.CellText = line;
        runtime.PageText(&cell, 2, 3);
    }
    // Keep the variable table small across runs.
    qDeleteAll(runtime.Variables);
    runtime.Variables.clear();
    runtime.FreeDataSets();
    return 0;
}
