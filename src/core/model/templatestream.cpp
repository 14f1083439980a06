#include "model/templatestream.h"

#include <QBuffer>
#include <QtEndian>
#include <cstring>
#include <initializer_list>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"

namespace karvell {

namespace {

// Smallest cell record of the oldest version: fixed part, text length, font, owner, count.
constexpr qint64 kMinCellRecord = 104 + 60 + 12;
constexpr qint64 kLineRecord = 32;
// Largest pixel or millimetre value accepted: far beyond any page, small enough that the
// layout's sums of such values stay inside 32 bits.
constexpr int32_t kMaxGeometry = 1 << 20;

bool InRange(std::initializer_list<int32_t> values) {
    for (int32_t v : values)
        if (v < -kMaxGeometry || v > kMaxGeometry) return false;
    return true;
}
bool InRange(const TRect& r) {
    return InRange({r.left, r.top, r.right, r.bottom});
}

class ByteReader {
public:
    ByteReader(const QByteArray& data) : m_data(data) {}
    qint64 Remaining() const { return m_data.size() - m_pos; }
    qint64 Pos() const { return m_pos; }
    bool Ok() const { return m_ok; }
    const char* Here() const { return m_data.constData() + m_pos; }

    bool Need(qint64 n) {
        if (!m_ok || n < 0 || Remaining() < n) m_ok = false;
        return m_ok;
    }
    int32_t I32() {
        if (!Need(4)) return 0;
        const int32_t v = qFromLittleEndian<int32_t>(Here());
        m_pos += 4;
        return v;
    }
    uint16_t U16() {
        if (!Need(2)) return 0;
        const uint16_t v = qFromLittleEndian<uint16_t>(Here());
        m_pos += 2;
        return v;
    }
    uint8_t U8() {
        if (!Need(1)) return 0;
        return static_cast<uint8_t>(m_data[m_pos++]);
    }
    QByteArray Bytes(qint64 n) {
        if (!Need(n)) return QByteArray();
        QByteArray b(Here(), n);
        m_pos += n;
        return b;
    }
    TRect Rect() {
        TRect r;
        r.left = I32();
        r.top = I32();
        r.right = I32();
        r.bottom = I32();
        return r;
    }
    void Skip(qint64 n) {
        if (Need(n)) m_pos += n;
    }

private:
    const QByteArray& m_data;
    qint64 m_pos = 0;
    bool m_ok = true;
};

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

struct CellRef {
    int32_t line;
    int32_t cell;
};

// A text field: length, then the bytes; the text ends at the first zero byte.
bool ReadText(ByteReader& in, QByteArray* text, QString* error, const char* what) {
    const int32_t len = in.I32();
    if (!in.Ok()) return false;
    if (len < 0 || len > MAX_TEXT_BYTES) {
        *error = QStringLiteral("%1的长度 %2 超出范围（0 至 3000 字节）")
                     .arg(QString::fromUtf8(what))
                     .arg(len);
        return false;
    }
    QByteArray b = in.Bytes(len);
    if (!in.Ok()) return false;
    const int nul = b.indexOf('\0');
    if (nul >= 0) b.truncate(nul);
    *text = b;
    return true;
}

bool ReadPicture(ByteReader& in, TReportCell* cell, QString* error) {
    QString why;
    const qint64 len = Bmp::ImageLength(in.Here(), in.Remaining(), &why);
    if (len <= 0) {
        *error = QStringLiteral("图片数据无效：%1").arg(why);
        return false;
    }
    QByteArray bytes = in.Bytes(len);
    QImage image;
    if (!in.Ok() || !Bmp::Decode(bytes, &image, &why)) {
        *error = QStringLiteral("图片数据无效：%1").arg(why);
        return false;
    }
    cell->CellBitmap = std::make_unique<TBitmap>();
    cell->CellBitmap->image = image;
    cell->CellBitmap->original = bytes;
    return true;
}

QString Where(int line, int cell) {
    return QStringLiteral("第 %1 行第 %2 个单元格").arg(line).arg(cell);
}

// Every owned cell points back to its merge top, owns nothing itself, and is listed once.
bool MergesConsistent(const QList<TReportLine*>& lines, QString* error) {
    for (const TReportLine* line : lines) {
        for (const TReportCell* cell : line->Cells) {
            for (const TReportCell* owned : cell->OwnedCells) {
                if (owned == cell || owned->OwnerCell != cell || !owned->OwnedCells.isEmpty() ||
                    cell->OwnedCells.count(owned) != 1) {
                    *error = QStringLiteral("合并单元格的引用不一致（%1）")
                                 .arg(Where(line->Index, cell->CellIndex));
                    return false;
                }
            }
            if (cell->OwnerCell && !cell->OwnerCell->OwnedCells.contains(cell)) {
                *error = QStringLiteral("合并单元格的引用不一致（%1）")
                             .arg(Where(line->Index, cell->CellIndex));
                return false;
            }
        }
    }
    return true;
}

ReadStatus Parse(const QByteArray& data, TemplateData& out, QString* error) {
    ByteReader in(data);
    QString why;
    auto corrupt = [&](const QString& message) {
        qDeleteAll(out.lines);
        out.lines.clear();
        *error = message.isEmpty()
                     ? QStringLiteral("模板数据不完整（在第 %1 字节处结束）").arg(in.Pos())
                     : message;
        return ReadStatus::Corrupt;
    };

    TemplateHeader& h = out.header;
    h.Magic = in.U16();
    if (!in.Ok() || (h.Magic != TEMPLATE_MAGIC_55 && h.Magic != TEMPLATE_MAGIC_56 &&
                     h.Magic != TEMPLATE_MAGIC_57)) {
        *error = QStringLiteral("格式不正确");
        return ReadStatus::BadMagic;
    }
    h.Zoom = in.I32();
    h.PageWidth = in.I32();
    h.PageHeight = in.I32();
    h.LeftMarginPx = in.I32();
    h.TopMarginPx = in.I32();
    h.RightMarginPx = in.I32();
    h.BottomMarginPx = in.I32();
    h.LeftMargin = in.I32();
    h.TopMargin = in.I32();
    h.RightMargin = in.I32();
    h.BottomMargin = in.I32();
    h.Reserved1 = in.U8();
    h.Reserved2 = in.I32();
    h.Reserved3 = in.I32();
    const int32_t lineCount = in.I32();
    if (!in.Ok()) return corrupt(QString());
    if (!InRange({h.PageWidth, h.PageHeight, h.LeftMarginPx, h.TopMarginPx, h.RightMarginPx,
                  h.BottomMarginPx, h.LeftMargin, h.TopMargin, h.RightMargin, h.BottomMargin}))
        return corrupt(QStringLiteral("页面尺寸或页边距超出范围"));
    if (lineCount < 0 || lineCount > in.Remaining() / (4 + kLineRecord))
        return corrupt(QStringLiteral("行数 %1 无效").arg(lineCount));

    QVector<int32_t> cellCounts(lineCount);
    qint64 totalCells = 0;
    for (int i = 0; i < lineCount; ++i) {
        cellCounts[i] = in.I32();
        if (!in.Ok()) return corrupt(QString());
        totalCells += cellCounts[i];
        if (cellCounts[i] < 1 || totalCells > in.Remaining() / kMinCellRecord)
            return corrupt(QStringLiteral("第 %1 行的单元格数 %2 无效").arg(i).arg(cellCounts[i]));
    }

    for (int i = 0; i < lineCount; ++i) {
        auto* line = new TReportLine;
        out.lines.append(line);
        for (int j = 0; j < cellCounts[i]; ++j) {
            auto* cell = new TReportCell;
            cell->OwnerLine = line;
            cell->CellIndex = j;
            line->Cells.append(cell);
        }
    }

    auto resolve = [&](const CellRef& r) -> TReportCell* {
        if (r.line < 0 || r.line >= out.lines.size()) return nullptr;
        const TReportLine* l = out.lines[r.line];
        if (r.cell < 0 || r.cell >= l->Cells.size()) return nullptr;
        return l->Cells[r.cell];
    };

    for (int i = 0; i < lineCount; ++i) {
        TReportLine* line = out.lines[i];
        line->Index = in.I32();
        line->MinHeight = in.I32();
        line->DragHeight = in.I32();
        line->LineTop = in.I32();
        line->LineRect = in.Rect();
        if (in.Ok() && !(InRange({line->MinHeight, line->DragHeight, line->LineTop}) &&
                         InRange(line->LineRect)))
            return corrupt(QStringLiteral("第 %1 行的尺寸超出范围").arg(i));
        for (int j = 0; j < cellCounts[i]; ++j) {
            TReportCell* c = line->Cells[j];
            c->CellMargin = in.I32();
            c->CellIndex = in.I32();
            c->CellLeft = in.I32();
            c->CellWidth = in.I32();
            c->CellRect = in.Rect();
            c->TextRect = in.Rect();
            c->DragCellHeight = in.I32();
            c->MinCellHeight = in.I32();
            c->RequiredCellHeight = in.I32();
            c->LeftLine = in.U8() != 0;
            c->LeftLineWidth = in.I32();
            c->TopLine = in.U8() != 0;
            c->TopLineWidth = in.I32();
            c->RightLine = in.U8() != 0;
            c->RightLineWidth = in.I32();
            c->BottomLine = in.U8() != 0;
            c->BottomLineWidth = in.I32();
            c->DiagonalFlags = static_cast<uint32_t>(in.I32());
            c->TextColor = static_cast<uint32_t>(in.I32());
            c->BackGroundColor = static_cast<uint32_t>(in.I32());
            c->HorzAlign = in.I32();
            c->VertAlign = in.I32();
            if (!in.Ok()) return corrupt(QString());
            if (!InRange({c->CellMargin, c->CellLeft, c->CellWidth, c->DragCellHeight,
                          c->MinCellHeight, c->RequiredCellHeight, c->LeftLineWidth,
                          c->TopLineWidth, c->RightLineWidth, c->BottomLineWidth}) ||
                !InRange(c->CellRect) || !InRange(c->TextRect))
                return corrupt(Where(i, j) + QStringLiteral("：尺寸超出范围"));
            if (!ReadText(in, &c->CellText, &why, "单元格文字"))
                return corrupt(why.isEmpty() ? QString()
                                             : Where(i, j) + QStringLiteral("：") + why);
            if (h.Magic != TEMPLATE_MAGIC_55 && !ReadText(in, &c->CellDispFormat, &why, "显示格式"))
                return corrupt(why.isEmpty() ? QString()
                                             : Where(i, j) + QStringLiteral("：") + why);
            if (h.Magic == TEMPLATE_MAGIC_57) {
                c->HasBitmap = in.U8() != 0;
                if (!in.Ok()) return corrupt(QString());
                if (c->HasBitmap && !ReadPicture(in, c, &why))
                    return corrupt(Where(i, j) + QStringLiteral("：") + why);
            }
            if (!in.Need(60)) return corrupt(QString());
            c->LogFont = LogFontFromBytes(in.Here());
            in.Skip(60);
            const CellRef owner{in.I32(), in.I32()};
            if (!in.Ok()) return corrupt(QString());
            if (owner.line >= 0 && owner.cell >= 0) {
                c->OwnerCell = resolve(owner);
                if (!c->OwnerCell)
                    return corrupt(Where(i, j) + QStringLiteral("：合并引用 (%1, %2) 不存在")
                                                     .arg(owner.line)
                                                     .arg(owner.cell));
            }
            const int32_t k = in.I32();
            if (!in.Ok() || k < 0 || k > in.Remaining() / 8)
                return corrupt(in.Ok()
                                   ? Where(i, j) + QStringLiteral("：被合并单元格数 %1 无效").arg(k)
                                   : QString());
            for (int32_t n = 0; n < k; ++n) {
                const CellRef ref{in.I32(), in.I32()};
                TReportCell* owned = resolve(ref);
                if (!owned)
                    return corrupt(
                        Where(i, j) +
                        QStringLiteral("：合并引用 (%1, %2) 不存在").arg(ref.line).arg(ref.cell));
                c->OwnedCells.append(owned);
            }
        }
    }
    TemplateTrailer& t = out.trailer;
    t.PaperSize = in.I32();
    t.PaperOrientation = in.I32();
    t.PaperLength = in.I32();
    t.PaperWidth = in.I32();
    t.FooterLineIndex = in.I32();
    if (!in.Ok()) return corrupt(QString());
    // Positions, not the stored indexes, are what references mean; make them agree.
    for (int i = 0; i < out.lines.size(); ++i) {
        out.lines[i]->Index = i;
        for (int j = 0; j < out.lines[i]->Cells.size(); ++j)
            out.lines[i]->Cells[j]->CellIndex = j;
    }
    if (!MergesConsistent(out.lines, &why)) return corrupt(why);
    return ReadStatus::Ok;
}

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

} // namespace

TemplateData::~TemplateData() {
    qDeleteAll(lines);
}

QList<TReportLine*> TemplateData::TakeLines() {
    QList<TReportLine*> taken;
    taken.swap(lines);
    return taken;
}

ReadStatus ReadTemplate(const QByteArray& bytes, TemplateData& out, QString* error) {
    QString dummy;
    return Parse(bytes, out, error ? error : &dummy);
}

ReadStatus ReadTemplate(QIODevice& device, qint64 pos, TemplateData& out, QString* error) {
    QString dummy;
    if (!error) error = &dummy;
    if (!device.seek(pos)) {
        *error = QStringLiteral("无法定位到模板数据的位置 %1").arg(pos);
        return ReadStatus::Corrupt;
    }
    const QByteArray data = device.readAll();
    return Parse(data, out, error);
}

namespace {
QByteArray WriteStream(const TemplateHeader& h, const QList<TReportLine*>& lines,
                       const TemplateTrailer& t, const CellTextFn& textFor, bool writeDispFormat,
                       const CellTextFn* formatFor);
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

namespace {
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

bool WriteTemplate(QIODevice& device, qint64 pos, const TemplateHeader& header,
                   const QList<TReportLine*>& lines, const TemplateTrailer& trailer,
                   const CellTextFn& textFor, bool writeDispFormat) {
    const QByteArray bytes = WriteTemplate(header, lines, trailer, textFor, writeDispFormat);
    if (!device.seek(pos)) return false;
    return device.write(bytes) == bytes.size();
}

} // namespace karvell
