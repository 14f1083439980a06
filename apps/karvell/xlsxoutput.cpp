#include "xlsxoutput.h"

#include "command.h"
#include "platform/samefile.h"

namespace karvell::cli {

std::unique_ptr<TXlsxSink> OpenXlsxOutput(const QString& path, const QString& title,
                                          const QStringList& inputs) {
    if (path.isEmpty()) return nullptr;
    RefuseOutputOverInput(QStringLiteral("--xlsx"), path, inputs);
    auto sink = std::make_unique<TXlsxSink>(path, title);
    sink->OnWarning = [](const QString& warning) { PrintError(warning); };
    return sink;
}

} // namespace karvell::cli
