// The runtime's line parsers: cell placeholders ("@set.field", "#set.field") and SetData
// command lines ("SetDataSet(name,path)", "SETVARVALUE(name,value)"), on any bytes.
#include "fuzz_common.h"
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
    // Keep the variable table small across runs.
    qDeleteAll(runtime.Variables);
    runtime.Variables.clear();
    runtime.FreeDataSets();
    return 0;
}
