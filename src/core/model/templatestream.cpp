// Reading template streams; templatestream_write.cpp writes them.
#include "model/templatestream.h"

#include <QBuffer>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "model/limits.h"
#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"

namespace karvell {

namespace {

// Smallest cell record of the oldest version: fixed part, text length, font, owner, count.
constexpr qint64 kMinCellRecord = 104 + 60 + 12;
constexpr qint64 kLineRecord = 32;

// The ranges a stored value may take (limits.h): what the operations and the layout produce,
// so that every saved document reads back, and no more than can be painted.
struct Range {
    int32_t lo, hi;
    const char* unit;
};
constexpr Range kPageRange{0, MAX_PAGE_PX, "像素"};
constexpr Range kSizeRange{-MAX_SIZE_PX, MAX_SIZE_PX, "像素"};
constexpr Range kMarginMmRange{-MAX_MARGIN_MM, MAX_MARGIN_MM, "毫米"};
constexpr Range kHeightRange{-MAX_EDGE_PX, MAX_EDGE_PX, "像素"};
constexpr Range kPositionRange{-MAX_POSITION_PX, MAX_POSITION_PX, "像素"};

struct Field {
    const char* name;
    int32_t value;
    Range range;
};

// The first value outside its range, as "页面宽度 1048576 超出范围（0 至 16384 像素）".
bool CheckFields(std::initializer_list<Field> fields, QString* why) {
    for (const Field& f : fields) {
        if (f.value >= f.range.lo && f.value <= f.range.hi) continue;
        *why = QStringLiteral("%1 %2 超出范围（%3 至 %4 %5）")
                   .arg(QString::fromUtf8(f.name))
                   .arg(f.value)
                   .arg(f.range.lo)
                   .arg(f.range.hi)
                   .arg(QString::fromUtf8(f.range.unit));
        return false;
    }
    return true;
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

bool IsTemplateMagic(uint16_t magic) {
    return magic == TEMPLATE_MAGIC_55 || magic == TEMPLATE_MAGIC_56 || magic == TEMPLATE_MAGIC_57;
}

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

// Every cell the cell owns points back to it, owns nothing itself, and is listed once; the
// cell's own merge top lists it.
bool CellMergesConsistent(const TReportCell* cell) {
    for (const TReportCell* owned : cell->OwnedCells)
        if (owned == cell || owned->OwnerCell != cell || !owned->OwnedCells.isEmpty() ||
            cell->OwnedCells.count(owned) != 1)
            return false;
    return !cell->OwnerCell || cell->OwnerCell->OwnedCells.contains(cell);
}

bool MergesConsistent(const QList<TReportLine*>& lines, QString* error) {
    for (const TReportLine* line : lines) {
        for (const TReportCell* cell : line->Cells) {
            if (!CellMergesConsistent(cell)) {
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
    // What is being read, for the message when the data ends early: a fixed part, or line
    // `partLine` (cell `partCell` when not -1). Kept as numbers, as every page a run prints
    // is read back through here and the text is wanted only for a fault.
    QString part = QStringLiteral("文件头");
    int partLine = -1, partCell = -1;
    auto corrupt = [&](const QString& message) {
        qDeleteAll(out.lines);
        out.lines.clear();
        if (partLine >= 0)
            part = partCell >= 0 ? Where(partLine, partCell)
                                 : QStringLiteral("第 %1 行").arg(partLine);
        *error = message.isEmpty()
                     ? QStringLiteral("模板数据不完整：%1在第 %2 字节处中断（数据共 %3 字节）")
                           .arg(part)
                           .arg(in.Pos())
                           .arg(data.size())
                     : message;
        return ReadStatus::Corrupt;
    };
    // The records still to come need at least `need` bytes.
    auto tooShort = [&](qint64 need, const QString& what) {
        return corrupt(QStringLiteral("模板数据不完整：%1至少需要 %2 字节，第 %3 字节之后只有 %4 "
                                      "字节（数据共 %5 字节）")
                           .arg(what)
                           .arg(need)
                           .arg(in.Pos())
                           .arg(in.Remaining())
                           .arg(data.size()));
    };

    TemplateHeader& h = out.header;
    h.Magic = in.U16();
    if (!in.Ok() || !IsTemplateMagic(h.Magic)) {
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
    if (!CheckFields({{"页面宽度", h.PageWidth, kPageRange},
                      {"页面高度", h.PageHeight, kPageRange},
                      {"左边距", h.LeftMarginPx, kSizeRange},
                      {"上边距", h.TopMarginPx, kSizeRange},
                      {"右边距", h.RightMarginPx, kSizeRange},
                      {"下边距", h.BottomMarginPx, kSizeRange},
                      {"左边距（毫米）", h.LeftMargin, kMarginMmRange},
                      {"上边距（毫米）", h.TopMargin, kMarginMmRange},
                      {"右边距（毫米）", h.RightMargin, kMarginMmRange},
                      {"下边距（毫米）", h.BottomMargin, kMarginMmRange}},
                     &why))
        return corrupt(QStringLiteral("页面设置：") + why);
    if (lineCount < 0) return corrupt(QStringLiteral("行数 %1 无效").arg(lineCount));
    constexpr qint64 kTrailer = 20;
    // Each line needs its cell count, its record and at least one cell.
    const qint64 perLine = 4 + kLineRecord + kMinCellRecord;
    if (lineCount > (in.Remaining() - kTrailer) / perLine)
        return tooShort(qint64(lineCount) * perLine + kTrailer,
                        QStringLiteral("%1 行").arg(lineCount));

    part = QStringLiteral("各行的单元格数");
    QVector<int32_t> cellCounts(lineCount);
    qint64 totalCells = 0;
    for (int i = 0; i < lineCount; ++i) {
        cellCounts[i] = in.I32();
        if (!in.Ok()) return corrupt(QString());
        if (cellCounts[i] < 1)
            return corrupt(QStringLiteral("第 %1 行的单元格数 %2 无效").arg(i).arg(cellCounts[i]));
        totalCells += cellCounts[i];
        // Still to come: the other counts, every line record, the cells so far, the trailer.
        const qint64 rest = 4 * qint64(lineCount - 1 - i) + kLineRecord * lineCount + kTrailer;
        if (totalCells > (in.Remaining() - rest) / kMinCellRecord)
            return tooShort(rest + totalCells * kMinCellRecord,
                            QStringLiteral("前 %1 行的 %2 个单元格").arg(i + 1).arg(totalCells));
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
        partLine = i;
        partCell = -1;
        line->Index = in.I32();
        line->MinHeight = in.I32();
        line->DragHeight = in.I32();
        line->LineTop = in.I32();
        line->LineRect = in.Rect();
        if (!in.Ok()) return corrupt(QString());
        const TRect& lr = line->LineRect;
        if (!CheckFields({{"行高", line->MinHeight, kHeightRange},
                          {"拖动行高", line->DragHeight, kSizeRange},
                          {"行顶", line->LineTop, kPositionRange},
                          {"行矩形左边", lr.left, kPositionRange},
                          {"行矩形上边", lr.top, kPositionRange},
                          {"行矩形右边", lr.right, kPositionRange},
                          {"行矩形下边", lr.bottom, kPositionRange}},
                         &why))
            return corrupt(QStringLiteral("第 %1 行：").arg(i) + why);
        for (int j = 0; j < cellCounts[i]; ++j) {
            TReportCell* c = line->Cells[j];
            partCell = j;
            // A fault of this cell's record, named by the cell's place.
            const auto atCell = [&](const QString& fault) {
                return Where(i, j) + QStringLiteral("：") + fault;
            };
            const auto noSuchCell = [&](const CellRef& r) {
                return corrupt(
                    atCell(QStringLiteral("合并引用 (%1, %2) 不存在").arg(r.line).arg(r.cell)));
            };
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
            const TRect& cr = c->CellRect;
            const TRect& tr = c->TextRect;
            if (!CheckFields({{"单元格边距", c->CellMargin, kSizeRange},
                              {"单元格左边", c->CellLeft, kPositionRange},
                              {"单元格宽度", c->CellWidth, kSizeRange},
                              {"拖动高度", c->DragCellHeight, kSizeRange},
                              {"最小高度", c->MinCellHeight, kHeightRange},
                              {"所需高度", c->RequiredCellHeight, kHeightRange},
                              {"左框线宽度", c->LeftLineWidth, kSizeRange},
                              {"上框线宽度", c->TopLineWidth, kSizeRange},
                              {"右框线宽度", c->RightLineWidth, kSizeRange},
                              {"下框线宽度", c->BottomLineWidth, kSizeRange},
                              {"单元格矩形左边", cr.left, kPositionRange},
                              {"单元格矩形上边", cr.top, kPositionRange},
                              {"单元格矩形右边", cr.right, kPositionRange},
                              {"单元格矩形下边", cr.bottom, kPositionRange},
                              {"文字矩形左边", tr.left, kPositionRange},
                              {"文字矩形上边", tr.top, kPositionRange},
                              {"文字矩形右边", tr.right, kPositionRange},
                              {"文字矩形下边", tr.bottom, kPositionRange}},
                             &why))
                return corrupt(atCell(why));
            if (!ReadText(in, &c->CellText, &why, "单元格文字"))
                return corrupt(why.isEmpty() ? QString() : atCell(why));
            if (h.Magic != TEMPLATE_MAGIC_55 && !ReadText(in, &c->CellDispFormat, &why, "显示格式"))
                return corrupt(why.isEmpty() ? QString() : atCell(why));
            if (h.Magic == TEMPLATE_MAGIC_57) {
                c->HasBitmap = in.U8() != 0;
                if (!in.Ok()) return corrupt(QString());
                if (c->HasBitmap && !ReadPicture(in, c, &why)) return corrupt(atCell(why));
            }
            if (!in.Need(60)) return corrupt(QString());
            c->LogFont = LogFontFromBytes(in.Here());
            in.Skip(60);
            const CellRef owner{in.I32(), in.I32()};
            if (!in.Ok()) return corrupt(QString());
            if (owner.line >= 0 && owner.cell >= 0) {
                c->OwnerCell = resolve(owner);
                if (!c->OwnerCell) return noSuchCell(owner);
            }
            const int32_t k = in.I32();
            if (!in.Ok() || k < 0 || k > in.Remaining() / 8)
                return corrupt(in.Ok() ? atCell(QStringLiteral("被合并单元格数 %1 无效").arg(k))
                                       : QString());
            for (int32_t n = 0; n < k; ++n) {
                const CellRef ref{in.I32(), in.I32()};
                TReportCell* owned = resolve(ref);
                if (!owned) return noSuchCell(ref);
                c->OwnedCells.append(owned);
            }
        }
    }
    TemplateTrailer& t = out.trailer;
    part = QStringLiteral("文件尾（纸张设置）");
    partLine = -1;
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

// Up to n bytes; fewer only at the end of the data (a pipe may hand them out piecemeal).
QByteArray ReadUpTo(QIODevice& device, qint64 n) {
    QByteArray data;
    while (data.size() < n) {
        const QByteArray piece = device.read(n - data.size());
        if (piece.isEmpty()) break;
        data += piece;
    }
    return data;
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
    // A pipe or a device cannot seek; it is read from where it stands.
    if (device.isSequential() ? pos != 0 : !device.seek(pos)) {
        *error = QStringLiteral("无法定位到模板数据的位置 %1").arg(pos);
        return ReadStatus::Corrupt;
    }
    // The magic first: anything else is not read further.
    QByteArray data = ReadUpTo(device, 2);
    if (data.size() < 2 || !IsTemplateMagic(qFromLittleEndian<uint16_t>(data.constData()))) {
        *error = QStringLiteral("格式不正确");
        return ReadStatus::BadMagic;
    }
    const auto tooLong = [&] {
        *error = QStringLiteral("模板数据超过 %1 MB 的上限").arg(MAX_TEMPLATE_BYTES >> 20);
        return ReadStatus::Corrupt;
    };
    if (!device.isSequential() && device.size() - device.pos() > MAX_TEMPLATE_BYTES - 2)
        return tooLong();
    // Read in pieces: a pipe gives no size, and a file may be shorter than it said.
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
        const qint64 room = MAX_TEMPLATE_BYTES + 1 - data.size();
        const QByteArray piece = ReadUpTo(device, std::min(kChunk, room));
        if (piece.isEmpty()) break;
        data += piece;
        if (data.size() > MAX_TEMPLATE_BYTES) return tooLong();
    }
    return Parse(data, out, error);
}

} // namespace karvell
