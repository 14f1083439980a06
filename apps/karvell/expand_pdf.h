#pragma once
// karvell expand --pdf: the expanded pages written as one PDF file.
#include <QString>

namespace karvell {
class ProgressReport;
class TReportRunTime;
} // namespace karvell

namespace karvell::cli {

// Long jobs are painted by two threads, each into a part of the file, the parts joined at the
// end; the file appears only when complete. Throws KarvellError.
void WriteExpandedPdf(const TReportRunTime& runtime, const QString& path, ProgressReport& progress);

} // namespace karvell::cli
