#pragma once
// The spreadsheet output of a command (--xlsx): refused when it is one of the inputs, opened
// before any work so that a path that cannot be saved is known at once, its warnings on stderr.
#include <QString>
#include <QStringList>
#include <memory>

#include "output/xlsxsink.h"

namespace karvell::cli {

// Null when `path` is empty; throws KarvellError as the sink and the input check do.
std::unique_ptr<TXlsxSink> OpenXlsxOutput(const QString& path, const QString& title,
                                          const QStringList& inputs);

} // namespace karvell::cli
