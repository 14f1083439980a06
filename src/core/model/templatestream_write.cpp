// Writing template streams: always version 0xAA57, texts cut to what a reader accepts.
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "model/limits.h"
#include "model/picture.h"
#include "model/reportcell.h"
#include "model/reportline.h"
#include "model/templatestream.h"
#include "platform/gbk.h"
#include "platform/logfont.h"

namespace karvell {
namespace {

class ByteWriter {
public:
    void Put(const void* p, qsizetype n) {
        if (m_len + n > m_out.size())
            m_out.resize(std::max<qsizetype>(m_out.size() * 2, m_len + n + 4096));
        std::memcpy(m_out.data() + m_len, p, size_t(n));
        m_len += n;
    }
    void I32(int32_t v) {
        char b[4];
        qToLittleEndian<int32_t>(v, b);
        Put(b, 4);
    }
    void U16(uint16_t v) {
        char b[2];
        qToLittleEndian<uint16_t>(v, b);
        Put(b, 2);
    }
    void U8(uint8_t v) { Put(&v, 1); }
    void Bytes(const QByteArray& b) { Put(b.constData(), b.size()); }
    void Rect(const TRect& r) {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    QByteArray Take() {
        m_out.truncate(m_len);
        return m_out;
    }
    QByteArray m_out;
    qsizetype m_len = 0;
};

void WriteCell(ByteWriter& w, const TReportCell* c, const CellTextFn& textFor, bool writeDispFormat,
               const CellTextFn* formatFor = nullptr) {
    w.I32(c->CellMargin);
    w.I32(c->CellIndex);
    w.I32(c->CellLeft);
    w.I32(c->CellWidth);
    w.Rect(c->CellRect);
    w.Rect(c->TextRect);
    w.I32(c->DragCellHeight);
    w.I32(c->MinCellHeight);
    w.I32(c->RequiredCellHeight);
    w.U8(c->LeftLine ? 1 : 0);
    w.I32(c->LeftLineWidth);
    w.U8(c->TopLine ? 1 : 0);
    w.I32(c->TopLineWidth);
    w.U8(c->RightLine ? 1 : 0);
    w.I32(c->RightLineWidth);
    w.U8(c->BottomLine ? 1 : 0);
    w.I32(c->BottomLineWidth);
    w.I32(static_cast<int32_t>(c->DiagonalFlags));
    w.I32(static_cast<int32_t>(c->TextColor));
    w.I32(static_cast<int32_t>(c->BackGroundColor));
    w.I32(c->HorzAlign);
    w.I32(c->VertAlign);
    // Texts longer than a reader accepts are cut at a character boundary.
    const QByteArray text = Gbk::TruncateBytes(textFor ? textFor(c) : c->CellText, MAX_TEXT_BYTES);
    w.I32(text.size());
    w.Bytes(text);
    const QByteArray format = formatFor ? Gbk::TruncateBytes((*formatFor)(c), MAX_TEXT_BYTES)
                              : writeDispFormat
                                  ? Gbk::TruncateBytes(c->CellDispFormat, MAX_TEXT_BYTES)
                                  : QByteArray();
    w.I32(format.size());
    w.Bytes(format);
    const bool picture = c->HasBitmap && c->CellBitmap && !c->CellBitmap->IsEmpty();
    w.U8(picture ? 1 : 0);
    if (picture)
        w.Bytes(c->CellBitmap->original.isEmpty() ? Bmp::Encode(c->CellBitmap->image)
                                                  : c->CellBitmap->original);
    w.Bytes(LogFontToBytes(c->LogFont));
    if (c->OwnerCell && c->OwnerCell->OwnerLine) {
        w.I32(c->OwnerCell->OwnerLine->Index);
        w.I32(c->OwnerCell->CellIndex);
    } else {
        w.I32(-1);
        w.I32(-1);
    }
    w.I32(c->OwnedCells.size());
    for (const TReportCell* o : c->OwnedCells) {
        w.I32(o->OwnerLine ? o->OwnerLine->Index : -1);
        w.I32(o->CellIndex);
    }
}

QByteArray WriteStream(const TemplateHeader& h, const QList<TReportLine*>& lines,
                       const TemplateTrailer& t, const CellTextFn& textFor, bool writeDispFormat,
                       const CellTextFn* formatFor) {
    ByteWriter w;
    w.U16(TEMPLATE_MAGIC_57);
    w.I32(h.Zoom);
    w.I32(h.PageWidth);
    w.I32(h.PageHeight);
    w.I32(h.LeftMarginPx);
    w.I32(h.TopMarginPx);
    w.I32(h.RightMarginPx);
    w.I32(h.BottomMarginPx);
    w.I32(h.LeftMargin);
    w.I32(h.TopMargin);
    w.I32(h.RightMargin);
    w.I32(h.BottomMargin);
    w.U8(h.Reserved1);
    w.I32(h.Reserved2);
    w.I32(h.Reserved3);
    w.I32(lines.size());
    for (const TReportLine* line : lines)
        w.I32(line->Cells.size());
    for (const TReportLine* line : lines) {
        w.I32(line->Index);
        w.I32(line->MinHeight);
        w.I32(line->DragHeight);
        w.I32(line->LineTop);
        w.Rect(line->LineRect);
        for (const TReportCell* cell : line->Cells)
            WriteCell(w, cell, textFor, writeDispFormat, formatFor);
    }
    w.I32(t.PaperSize);
    w.I32(t.PaperOrientation);
    w.I32(t.PaperLength);
    w.I32(t.PaperWidth);
    w.I32(t.FooterLineIndex);
    return w.Take();
}

} // namespace

QByteArray WriteTemplate(const TemplateHeader& h, const QList<TReportLine*>& lines,
                         const TemplateTrailer& t, const CellTextFn& textFor,
                         bool writeDispFormat) {
    return WriteStream(h, lines, t, textFor, writeDispFormat, nullptr);
}

QByteArray WriteTemplateFormats(const TemplateHeader& h, const QList<TReportLine*>& lines,
                                const TemplateTrailer& t, const CellTextFn& textFor,
                                const CellTextFn& formatFor) {
    return WriteStream(h, lines, t, textFor, false, &formatFor);
}

bool WriteTemplate(QIODevice& device, qint64 pos, const TemplateHeader& header,
                   const QList<TReportLine*>& lines, const TemplateTrailer& trailer,
                   const CellTextFn& textFor, bool writeDispFormat) {
    const QByteArray bytes = WriteTemplate(header, lines, trailer, textFor, writeDispFormat);
    // What the reader would refuse is not written.
    if (bytes.size() > MAX_TEMPLATE_BYTES || !device.seek(pos)) return false;
    return device.write(bytes) == bytes.size();
}

} // namespace karvell
