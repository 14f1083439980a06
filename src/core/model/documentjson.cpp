#include "model/documentjson.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonValue>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "model/reportcell.h"
#include "model/reportdocument.h"
#include "model/reportline.h"
#include "platform/gbk.h"

namespace karvell {

namespace {

QJsonArray RectToJson(const TRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

QJsonArray PairToJson(const std::pair<int, int>& p) {
    return {p.first, p.second};
}

// The integer fields of LOGFONT: 32-bit ones first, then the bytes.
struct FontField {
    const char* name;
    size_t offset;
    bool isByte;
};
const FontField kFontFields[] = {
    {"lfHeight", offsetof(LOGFONTA, lfHeight), false},
    {"lfWidth", offsetof(LOGFONTA, lfWidth), false},
    {"lfEscapement", offsetof(LOGFONTA, lfEscapement), false},
    {"lfOrientation", offsetof(LOGFONTA, lfOrientation), false},
    {"lfWeight", offsetof(LOGFONTA, lfWeight), false},
    {"lfItalic", offsetof(LOGFONTA, lfItalic), true},
    {"lfUnderline", offsetof(LOGFONTA, lfUnderline), true},
    {"lfStrikeOut", offsetof(LOGFONTA, lfStrikeOut), true},
    {"lfCharSet", offsetof(LOGFONTA, lfCharSet), true},
    {"lfOutPrecision", offsetof(LOGFONTA, lfOutPrecision), true},
    {"lfClipPrecision", offsetof(LOGFONTA, lfClipPrecision), true},
    {"lfQuality", offsetof(LOGFONTA, lfQuality), true},
    {"lfPitchAndFamily", offsetof(LOGFONTA, lfPitchAndFamily), true},
};

QJsonObject CellToJson(const TReportCell* c,
                       const QHash<const TReportCell*, std::pair<int, int>>& positions) {
    auto ref = [&](const TReportCell* cell) -> QJsonValue {
        const auto it = positions.constFind(cell);
        return it == positions.constEnd() ? QJsonValue(QJsonValue::Null) : PairToJson(*it);
    };
    QJsonObject o;
    o[QStringLiteral("CellMargin")] = c->CellMargin;
    o[QStringLiteral("CellIndex")] = c->CellIndex;
    o[QStringLiteral("CellLeft")] = c->CellLeft;
    o[QStringLiteral("CellWidth")] = c->CellWidth;
    o[QStringLiteral("CellRect")] = RectToJson(c->CellRect);
    o[QStringLiteral("TextRect")] = RectToJson(c->TextRect);
    o[QStringLiteral("DragCellHeight")] = c->DragCellHeight;
    o[QStringLiteral("MinCellHeight")] = c->MinCellHeight;
    o[QStringLiteral("RequiredCellHeight")] = c->RequiredCellHeight;
    o[QStringLiteral("LeftLine")] = c->LeftLine;
    o[QStringLiteral("LeftLineWidth")] = c->LeftLineWidth;
    o[QStringLiteral("TopLine")] = c->TopLine;
    o[QStringLiteral("TopLineWidth")] = c->TopLineWidth;
    o[QStringLiteral("RightLine")] = c->RightLine;
    o[QStringLiteral("RightLineWidth")] = c->RightLineWidth;
    o[QStringLiteral("BottomLine")] = c->BottomLine;
    o[QStringLiteral("BottomLineWidth")] = c->BottomLineWidth;
    o[QStringLiteral("DiagonalFlags")] = qint64(c->DiagonalFlags);
    o[QStringLiteral("TextColor")] = qint64(c->TextColor);
    o[QStringLiteral("BackGroundColor")] = qint64(c->BackGroundColor);
    o[QStringLiteral("HorzAlign")] = c->HorzAlign;
    o[QStringLiteral("VertAlign")] = c->VertAlign;
    o[QStringLiteral("CellText")] = Gbk::Decode(c->CellText);
    o[QStringLiteral("CellDispFormat")] = Gbk::Decode(c->CellDispFormat);
    o[QStringLiteral("HasBitmap")] = c->HasBitmap;
    if (c->CellBitmap && !c->CellBitmap->IsEmpty())
        o[QStringLiteral("Bitmap")] =
            QJsonObject{{QStringLiteral("Width"), c->CellBitmap->Width()},
                        {QStringLiteral("Height"), c->CellBitmap->Height()}};
    else
        o[QStringLiteral("Bitmap")] = QJsonValue(QJsonValue::Null);
    o[QStringLiteral("LogFont")] = LogFontToJson(c->LogFont);
    o[QStringLiteral("OwnerCell")] =
        c->OwnerCell ? ref(c->OwnerCell) : QJsonValue(QJsonValue::Null);
    QJsonArray owned;
    for (const TReportCell* cell : c->OwnedCells)
        owned.append(ref(cell));
    o[QStringLiteral("OwnedCells")] = owned;
    return o;
}

} // namespace

QJsonObject LogFontToJson(const LOGFONTA& font) {
    QJsonObject o;
    const char* base = reinterpret_cast<const char*>(&font);
    for (const FontField& f : kFontFields) {
        if (f.isByte) {
            o[QLatin1String(f.name)] = int(static_cast<uint8_t>(base[f.offset]));
        } else {
            int32_t v;
            std::memcpy(&v, base + f.offset, 4);
            o[QLatin1String(f.name)] = v;
        }
    }
    o[QStringLiteral("lfFaceName")] = FaceName(font);
    return o;
}

bool LogFontFromJson(const QJsonObject& json, LOGFONTA* font, QString* error) {
    LOGFONTA result = *font;
    char* base = reinterpret_cast<char*>(&result);
    for (auto it = json.constBegin(); it != json.constEnd(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("lfFaceName")) {
            if (!it.value().isString()) {
                *error = QStringLiteral("lfFaceName must be a string");
                return false;
            }
            SetFaceName(result, it.value().toString());
            continue;
        }
        const FontField* field = nullptr;
        for (const FontField& f : kFontFields)
            if (key == QLatin1String(f.name)) field = &f;
        if (!field) {
            *error = QStringLiteral("unknown font field '%1'").arg(key);
            return false;
        }
        const double v = it.value().toDouble(0.5);
        const double lo = field->isByte ? 0 : -2147483648.0;
        const double hi = field->isByte ? 255 : 2147483647.0;
        if (!it.value().isDouble() || v < lo || v > hi || v != std::trunc(v)) {
            *error = QStringLiteral("%1 must be an integer from %2 to %3")
                         .arg(key)
                         .arg(qint64(lo))
                         .arg(qint64(hi));
            return false;
        }
        if (field->isByte) {
            base[field->offset] = char(uint8_t(v));
        } else {
            const int32_t i = int32_t(v);
            std::memcpy(base + field->offset, &i, 4);
        }
    }
    *font = result;
    return true;
}

QJsonObject DocumentToJson(const TemplateHeader& h, const QList<TReportLine*>& lines,
                           const TemplateTrailer& t) {
    // References are positions, whatever Index and CellIndex say.
    QHash<const TReportCell*, std::pair<int, int>> positions;
    for (int i = 0; i < lines.size(); ++i)
        for (int j = 0; j < lines[i]->Cells.size(); ++j)
            positions.insert(lines[i]->Cells[j], {i, j});

    QJsonObject o;
    o[QStringLiteral("Zoom")] = h.Zoom;
    o[QStringLiteral("PageWidth")] = h.PageWidth;
    o[QStringLiteral("PageHeight")] = h.PageHeight;
    o[QStringLiteral("LeftMarginPx")] = h.LeftMarginPx;
    o[QStringLiteral("TopMarginPx")] = h.TopMarginPx;
    o[QStringLiteral("RightMarginPx")] = h.RightMarginPx;
    o[QStringLiteral("BottomMarginPx")] = h.BottomMarginPx;
    o[QStringLiteral("LeftMargin")] = h.LeftMargin;
    o[QStringLiteral("TopMargin")] = h.TopMargin;
    o[QStringLiteral("RightMargin")] = h.RightMargin;
    o[QStringLiteral("BottomMargin")] = h.BottomMargin;
    o[QStringLiteral("Reserved1")] = int(h.Reserved1);
    o[QStringLiteral("Reserved2")] = h.Reserved2;
    o[QStringLiteral("Reserved3")] = h.Reserved3;
    o[QStringLiteral("PaperSize")] = t.PaperSize;
    o[QStringLiteral("PaperOrientation")] = t.PaperOrientation;
    o[QStringLiteral("PaperLength")] = t.PaperLength;
    o[QStringLiteral("PaperWidth")] = t.PaperWidth;
    o[QStringLiteral("FooterLineIndex")] = t.FooterLineIndex;

    QJsonArray jsonLines;
    for (const TReportLine* line : lines) {
        QJsonObject l;
        l[QStringLiteral("Index")] = line->Index;
        l[QStringLiteral("MinHeight")] = line->MinHeight;
        l[QStringLiteral("DragHeight")] = line->DragHeight;
        l[QStringLiteral("LineTop")] = line->LineTop;
        l[QStringLiteral("LineRect")] = RectToJson(line->LineRect);
        QJsonArray cells;
        for (const TReportCell* cell : line->Cells)
            cells.append(CellToJson(cell, positions));
        l[QStringLiteral("Cells")] = cells;
        jsonLines.append(l);
    }
    o[QStringLiteral("Lines")] = jsonLines;
    return o;
}

QJsonObject DocumentToJson(const TemplateData& data) {
    return DocumentToJson(data.header, data.lines, data.trailer);
}

QJsonObject DocumentToJson(const TReportDocument& doc) {
    const TemplateHeader h = HeaderOf(doc);
    const TemplateTrailer t = TrailerOf(doc);
    return DocumentToJson(h, doc.Lines, t);
}

} // namespace karvell
