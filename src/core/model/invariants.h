#pragma once
// The structural invariants of a report document: lines and cells numbered by position, every
// cell held once by its own line, merge blocks whose owner lists and owner pointers agree, and
// a selection and current cell made of cells the document holds. Debug, sanitizer and fuzz
// builds (KARVELL_CHECK_INVARIANTS) check them after every relayout and undo step and stop at
// the first broken one, so a fault shows where it is made rather than pages later.
#include <QStringList>

namespace karvell {

class TReportDocument;

// Every broken invariant, one message each; empty when the document is sound.
QStringList InvariantViolations(const TReportDocument& doc);

// Stops the program with the violations and `after` (the operation just done) when the build
// checks invariants and one is broken; does nothing in release builds.
#ifdef KARVELL_CHECK_INVARIANTS
void AssertInvariants(const TReportDocument& doc, const char* after);
#else
inline void AssertInvariants(const TReportDocument&, const char*) {}
#endif

} // namespace karvell
