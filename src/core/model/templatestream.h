#pragma once
// The template stream: the byte form of a whole document (versions 0xAA55, 0xAA56, 0xAA57 read;
// 0xAA57 written). One reader and one writer serve the grid, the report runtime and its pages.
#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/printer.h"

namespace karvell {

class TReportCell;
class TReportLine;

inline constexpr uint16_t TEMPLATE_MAGIC_55 = 0xAA55;
inline constexpr uint16_t TEMPLATE_MAGIC_56 = 0xAA56;
inline constexpr uint16_t TEMPLATE_MAGIC_57 = 0xAA57;

struct TemplateHeader {
    uint16_t Magic = TEMPLATE_MAGIC_57;
    int32_t Zoom = 100;
    int32_t PageWidth = 0;
    int32_t PageHeight = 0;
    int32_t LeftMarginPx = 0;
    int32_t TopMarginPx = 0;
    int32_t RightMarginPx = 0;
    int32_t BottomMarginPx = 0;
    int32_t LeftMargin = 0;
    int32_t TopMargin = 0;
    int32_t RightMargin = 0;
    int32_t BottomMargin = 0;
    uint8_t Reserved1 = 1;
    int32_t Reserved2 = 2000;
    int32_t Reserved3 = 1;
};

struct TemplateTrailer {
    int32_t PaperSize = 0;
    int32_t PaperOrientation = 0;
    int32_t PaperLength = 0;
    int32_t PaperWidth = 0;
    int32_t FooterLineIndex = 0;
};

// A document read from a stream. Owns its lines until they are taken.
struct TemplateData {
    TemplateHeader header;
    QList<TReportLine*> lines; // ReportControl none; the caller attaches them
    TemplateTrailer trailer;
    TemplateData() = default;
    ~TemplateData();
    TemplateData(const TemplateData&) = delete;
    TemplateData& operator=(const TemplateData&) = delete;
    QList<TReportLine*> TakeLines();
};

enum class ReadStatus { Ok, BadMagic, Corrupt };

// Reads the stream at `pos`. Never reads past the data: lengths above 3000 or negative, cell
// references outside the document, bad pictures and early ends give Corrupt with `error` set.
// On anything but Ok, `out` holds no lines.
ReadStatus ReadTemplate(QIODevice& device, qint64 pos, TemplateData& out, QString* error);
ReadStatus ReadTemplate(const QByteArray& bytes, TemplateData& out, QString* error);

// The text written for a cell; by default its CellText.
using CellTextFn = std::function<QByteArray(const TReportCell*)>;

// Writes a 0xAA57 stream at `pos` (magic from the header is ignored). Lines and cells must be
// laid out (Index and CellIndex current). With writeDispFormat false, formats are written empty.
// Returns false when the device refused the bytes.
bool WriteTemplate(QIODevice& device, qint64 pos, const TemplateHeader& header,
                   const QList<TReportLine*>& lines, const TemplateTrailer& trailer,
                   const CellTextFn& textFor = {}, bool writeDispFormat = true);
QByteArray WriteTemplate(const TemplateHeader& header, const QList<TReportLine*>& lines,
                         const TemplateTrailer& trailer, const CellTextFn& textFor = {},
                         bool writeDispFormat = true);
// The same with the display format written for each cell given by `formatFor` (produced pages
// keep only the formats their painter reads).
QByteArray WriteTemplateFormats(const TemplateHeader& header, const QList<TReportLine*>& lines,
                                const TemplateTrailer& trailer, const CellTextFn& textFor,
                                const CellTextFn& formatFor);

// The grid's document and the runtime name their header and paper fields alike; these copy
// them to and from a stream header and the current printer.
template <typename Owner> TemplateHeader HeaderOf(const Owner& o) {
    TemplateHeader h;
    h.Zoom = o.Zoom;
    h.PageWidth = o.PageWidth;
    h.PageHeight = o.PageHeight;
    h.LeftMarginPx = o.LeftMarginPx;
    h.TopMarginPx = o.TopMarginPx;
    h.RightMarginPx = o.RightMarginPx;
    h.BottomMarginPx = o.BottomMarginPx;
    h.LeftMargin = o.LeftMargin;
    h.TopMargin = o.TopMargin;
    h.RightMargin = o.RightMargin;
    h.BottomMargin = o.BottomMargin;
    h.Reserved1 = o.Reserved1;
    h.Reserved2 = o.Reserved2;
    h.Reserved3 = o.Reserved3;
    return h;
}

// Everything but the zoom, which the grid and the runtime treat differently.
template <typename Owner> void SetHeaderFields(Owner& o, const TemplateHeader& h) {
    o.PageWidth = h.PageWidth;
    o.PageHeight = h.PageHeight;
    o.LeftMarginPx = h.LeftMarginPx;
    o.TopMarginPx = h.TopMarginPx;
    o.RightMarginPx = h.RightMarginPx;
    o.BottomMarginPx = h.BottomMarginPx;
    o.LeftMargin = h.LeftMargin;
    o.TopMargin = h.TopMargin;
    o.RightMargin = h.RightMargin;
    o.BottomMargin = h.BottomMargin;
    o.Reserved1 = h.Reserved1;
    o.Reserved2 = h.Reserved2;
    o.Reserved3 = h.Reserved3;
}

// Saving: the current printer's paper becomes the owner's (16-bit values sign-extended).
// Throws "Could Not Initialize TdeviceMode Structure" without a printer.
template <typename Owner> void TakePrinterPaper(Owner& o) {
    DEVMODE* dm = LockPrinterDevMode();
    dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    o.PaperSize = dm->dmPaperSize;
    o.PaperOrientation = dm->dmOrientation;
    o.PaperLength = dm->dmPaperLength;
    o.PaperWidth = dm->dmPaperWidth;
}

// Loading and page setup: the owner's paper goes into the current printer (low 16 bits).
template <typename Owner> void PutPaperIntoPrinter(const Owner& o) {
    DEVMODE* dm = LockPrinterDevMode();
    dm->dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    dm->dmPaperSize = static_cast<int16_t>(o.PaperSize);
    dm->dmOrientation = static_cast<int16_t>(o.PaperOrientation);
    dm->dmPaperLength = static_cast<int16_t>(o.PaperLength);
    dm->dmPaperWidth = static_cast<int16_t>(o.PaperWidth);
}

template <typename Owner> TemplateTrailer TrailerOf(const Owner& o) {
    return {o.PaperSize, o.PaperOrientation, o.PaperLength, o.PaperWidth, o.FooterLineIndex};
}

} // namespace karvell
