// The template reader: any bytes are refused or read; what is read is painted and saved, and
// the saved bytes load again and save to the same bytes (whatever the writer writes, the
// reader reads).
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "fuzz_common.h"
#include "model/invariants.h"
#include "model/reportdocument.h"
#include "model/templatestream.h"
#include "platform/error.h"
#include "render/gdidraw.h"
#include "render/paintcell.h"

using namespace karvell;

namespace {

QByteArray SaveOf(TReportDocument& doc) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 0);
    return buffer.data();
}

bool LoadInto(TReportDocument& doc, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return doc.LoadFromStream(buffer, 0);
}

// Every cell as the grid paints it, with its picture, onto a small part of the page.
void Paint(const TReportDocument& doc) {
    static QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const TReportLine* line : doc.Lines) {
        for (const TReportCell* cell : line->Cells) {
            if (cell->CellBitmap && !cell->CellBitmap->IsEmpty())
                GdiStretchImage(painter, cell->CellBitmap->image, cell->CellRect.ToQRect());
            PaintCell(painter, *cell, false);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        // The reader alone, without a relayout.
        TemplateData raw;
        QString error;
        if (ReadTemplate(bytes, raw, &error) != ReadStatus::Ok) return 0;
    }
    TReportDocument first;
    try {
        if (!LoadInto(first, bytes)) return 0;
    } catch (const KarvellError&) {
        return 0;
    }
    if (const QStringList broken = InvariantViolations(first); !broken.isEmpty()) {
        std::fprintf(stderr, "%s\n", broken.join(QLatin1Char('\n')).toLocal8Bit().constData());
        fuzz::Finding("a template was read into a document with a broken structure");
    }
    Paint(first);
    QByteArray saved, again;
    try {
        saved = SaveOf(first);
        TReportDocument second;
        if (!LoadInto(second, saved)) fuzz::Finding("a saved template has no valid magic");
        again = SaveOf(second);
    } catch (const KarvellError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        fuzz::Finding("a saved template cannot be loaded or saved again");
    }
    if (saved != again) fuzz::Finding("saving a reloaded template gives other bytes");
    return 0;
}
