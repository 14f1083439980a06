#pragma once
#include <QPointF>
#include <QString>
#include <QStringList>

namespace karvell::cli {

// "X,Y" in millimetres, each finite and within ±kMaxFormOffsetMm; false for anything else.
bool ParseOffset(const QString& text, QPointF* mm);
// Removes every "--offset X,Y" from args and sets the printer's form offset; false (with a
// message) when a value is missing or malformed.
bool TakeOffsetOption(QStringList& args, QString* error);

} // namespace karvell::cli
