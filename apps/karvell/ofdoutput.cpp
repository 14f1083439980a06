#include "ofdoutput.h"

#include "command.h"
#include "output/pdfsink.h"
#include "platform/samefile.h"

namespace karvell::cli {

std::unique_ptr<TOfdSink> OpenOfdOutput(const QString& path, const QString& title,
                                        const QStringList& inputs) {
    if (path.isEmpty()) return nullptr;
    RefuseOutputOverInput(QStringLiteral("--ofd"), path, inputs);
    // Laid out at the PDF's resolution, so that both put everything in the same places.
    return std::make_unique<TOfdSink>(path, title, PdfResolution());
}

} // namespace karvell::cli
