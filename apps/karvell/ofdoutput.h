#pragma once
// The fixed-layout document output of a command (--ofd): refused when it is one of the inputs,
// opened before any work so that a path that cannot be saved is known at once.
#include <QString>
#include <QStringList>
#include <memory>

#include "output/ofdsink.h"

namespace karvell::cli {

// Null when `path` is empty; throws KarvellError as the sink and the input check do.
std::unique_ptr<TOfdSink> OpenOfdOutput(const QString& path, const QString& title,
                                        const QStringList& inputs);

} // namespace karvell::cli
