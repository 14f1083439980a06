// Producing one cell of a page from its template cell: format, placeholder values, report
// functions evaluated at fill time, and the merge bookkeeping that joins produced copies of a
// merged block.
#include <QImage>

#include <algorithm>
#include <cmath>

#include "format/amountformat.h"
#include "format/dispformat.h"
#include "platform/gbk.h"
#include "platform/textlayout.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t';
}

// The cell text keeps its function until the page is written (page numbers, totals).
bool IsPageTimeFunction(const QByteArray& text) {
    return Gbk::Upper(text.left(8)) == "`PAGENUM" || Gbk::Upper(text.left(4)) == "`SUM";
}

// Width of a text on one line, in document pixels.
int SingleLineWidth(const LOGFONTA& font, const QByteArray& gbk) {
    const TextLayoutResult r =
        TextLayout::Layout(font, gbk, TRect{0, 0, 1 << 24, 65535}, HAlign::Left);
    int width = 0;
    for (const TextLine& line : r.lines)
        width = std::max(width, line.width);
    return width;
}

// Display texts are mostly numbers and codes: plain ASCII is its own GBK form. A NUL ends no
// text here: it is dropped.
QByteArray ToGbk(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80 || c.unicode() == 0)
            return Gbk::Encode(QString(text).remove(QChar(0)));
    return text.toLatin1();
}

} // namespace

QByteArray TReportRunTime::PlaceholderDataSetName(const QByteArray& text) {
    if (text.isEmpty() || (text[0] != '@' && text[0] != '#')) return QByteArray();
    QByteArray name;
    for (qsizetype i = 1; i < text.size() && text[i] != '.'; ++i)
        if (!IsBlankByte(text[i])) name.append(text[i]);
    return Gbk::Upper(name);
}

QByteArray TReportRunTime::PlaceholderFieldName(const QByteArray& text) {
    const qsizetype dot = text.indexOf('.');
    if (dot < 0) return QByteArray();
    // No GBK trail byte is a blank, a tab or a dot, so dropping them byte-wise is safe.
    QByteArray name;
    for (qsizetype i = dot + 1; i < text.size(); ++i)
        if (!IsBlankByte(text[i]) && text[i] != '.') name.append(text[i]);
    return name;
}

TDataSet* TReportRunTime::PlaceholderDataSet(const QByteArray& text) const {
    return FindDataSet(PlaceholderDataSetName(text));
}

TField TReportRunTime::DetailField(TDataSet* dataSet, const TReportCell* templateCell,
                                   FieldKind* kind) {
    // Field lookup by name is a case-insensitive scan; the column is found once per run.
    const auto it = m_fieldCache.constFind(templateCell);
    if (it != m_fieldCache.constEnd() && it->dataSet == dataSet) {
        *kind = it->kind;
        return TField(dataSet, it->column);
    }
    const QString name = Gbk::Decode(PlaceholderFieldName(templateCell->CellText));
    const int column = dataSet->FindField(name);
    if (column < 0) {
        const TField missing = dataSet->FieldByName(name); // raises the data layer's error
        *kind = missing.Kind();
        return missing;
    }
    const TField field(dataSet, column);
    *kind = field.Kind();
    m_fieldCache.insert(templateCell, CachedField{dataSet, column, *kind});
    return field;
}

void TReportRunTime::Warn(const QString& text) const {
    // Both passes fill the same cells: the build pass alone speaks.
    if (m_buildPass && OnWarning) OnWarning(text);
}

QByteArray TReportRunTime::FitNumber(const TReportCell* cell, const QString& text, bool overflow) {
    const AmountFormat amount = ParseAmountFormat(cell->CellDispFormat);
    if (amount.IsUpperCase()) return ToGbk(text); // words, which may wrap
    QByteArray gbk = ToGbk(text);
    if (amount.ValidColumns()) {
        if (!overflow) return gbk;
        Warn(QStringLiteral("第 %1 页：数值 %2 多于单元格的 %3 位金额线，显示为 #")
                 .arg(PageNo)
                 .arg(text)
                 .arg(amount.columns));
        return QByteArray(amount.columns, '#');
    }
    // As a spreadsheet does: a number is never cut or wrapped; "#" across the cell instead.
    // A cell too narrow for any text (an unlaid cell) shows nothing to fit.
    if (2 * cell->CellMargin >= cell->CellWidth) return gbk;
    const int room = cell->CellWidth - 2 * cell->CellMargin - 2;
    if (!overflow && SingleLineWidth(cell->LogFont, gbk) <= room) return gbk;
    Warn(QStringLiteral("第 %1 页：数值 %2 超出单元格宽度，显示为 #").arg(PageNo).arg(text));
    const int hash = std::max(1, SingleLineWidth(cell->LogFont, "#"));
    return QByteArray(std::max(1, room / hash), '#');
}

QByteArray TReportRunTime::FieldText(const TReportCell* cell, const TField& field, FieldKind kind) {
    if (field.IsNull()) return QByteArray();
    const AmountFormat amount = ParseAmountFormat(cell->CellDispFormat);
    DecimalValue value;
    // A value that reads as a decimal number is one, whatever the column's declared type:
    // the display format applies to its exact digits.
    if (field.ReadNumber(&value)) {
        if (!cell->CellDispFormat.isEmpty()) {
            bool overflow = false;
            const QString shown = FormatDecimal(cell->CellDispFormat, value, &overflow);
            return FitNumber(cell, shown, overflow);
        }
        // The general form for a numeric column; a text column's number (a code such as
        // "0087") is shown as it stands.
        if (kind == FieldKind::Numeric) return FitNumber(cell, value.GeneralText(), false);
        return ToGbk(field.DisplayText());
    }
    // An upper-case amount or digit columns need an amount: any other value is the data
    // error, which names the record and the field. So is NaN or an infinity in a numeric
    // column. Blanks show nothing.
    if (field.IsBlank()) return QByteArray();
    const bool needsAmount = amount.IsUpperCase() || amount.style == AmountStyle::DigitColumns;
    const QVariant v = field.Value();
    const bool nonFinite = (IsNumericMetaType(v.metaType().id()) && !std::isfinite(v.toDouble())) ||
                           (kind == FieldKind::Numeric && field.IsNonFiniteText());
    if (needsAmount || nonFinite) field.AsDecimal(); // throws
    return ToGbk(field.DisplayText());
}

void TReportRunTime::ShowFieldValue(TReportCell* cell, const TField& field, FieldKind kind) {
    QByteArray text;
    if (kind == FieldKind::LargeObject) {
        // A large object is a picture in any format Qt can read; other content shows nothing.
        if (!field.IsNull()) {
            const QImage image = QImage::fromData(field.BlobData());
            if (!image.isNull()) {
                if (!cell->CellBitmap) cell->CellBitmap = std::make_unique<TBitmap>();
                cell->CellBitmap->Assign(image);
                cell->HasBitmap = true;
            }
        }
    } else {
        text = FieldText(cell, field, kind);
    }
    // A page cannot store longer texts; the value is cut at a character boundary. What a data
    // set gives is printed as it stands, never read as a function.
    cell->CellText = Gbk::TruncateBytes(text, MAX_TEXT_BYTES);
    cell->TextIsLiteral = true;
}

void TReportRunTime::FillCell(bool blank, TReportCell* cell, TDataSet* detail,
                              TReportCell* templateCell) {
    TReportCell* t = templateCell;
    cell->CellMargin = t->CellMargin;
    cell->CellIndex = t->CellIndex;
    cell->CellLeft = t->CellLeft;
    cell->CellWidth = t->CellWidth;
    cell->MinCellHeight = t->MinCellHeight;
    cell->LeftLine = t->LeftLine;
    cell->LeftLineWidth = t->LeftLineWidth;
    cell->TopLine = t->TopLine;
    cell->TopLineWidth = t->TopLineWidth;
    cell->RightLine = t->RightLine;
    cell->RightLineWidth = t->RightLineWidth;
    cell->BottomLine = t->BottomLine;
    cell->BottomLineWidth = t->BottomLineWidth;
    cell->DiagonalFlags = t->DiagonalFlags;
    cell->TextColor = t->TextColor;
    cell->BackGroundColor = t->BackGroundColor;
    cell->HorzAlign = t->HorzAlign;
    cell->VertAlign = t->VertAlign;
    cell->CellDispFormat = t->CellDispFormat;
    cell->HasBitmap = t->HasBitmap;
    if (t->CellBitmap) {
        if (!cell->CellBitmap) cell->CellBitmap = std::make_unique<TBitmap>();
        *cell->CellBitmap = *t->CellBitmap; // the pixels are shared until one side changes
    } else {
        cell->CellBitmap.reset();
    }
    cell->CellRect = TRect();
    cell->TextRect = TRect();
    cell->TextIsLiteral = false;

    // Numbers are fitted with the cell's font.
    cell->LogFont = t->LogFont;

    // The text is stored without measuring: the cell is measured once, at the end, with its
    // own font.
    const QByteArray& text = t->CellText;
    if (!blank && !text.isEmpty()) {
        if (text[0] == '@') {
            if (TDataSet* dataSet = PlaceholderDataSet(text)) {
                FieldKind kind;
                const TField field = DetailField(dataSet, t, &kind);
                ShowFieldValue(cell, field, kind);
            }
        } else if (text[0] == '#') {
            // The data set named in the placeholder plays no part: the line's record does.
            if (detail) {
                FieldKind kind;
                const TField field = DetailField(detail, t, &kind);
                ShowFieldValue(cell, field, kind);
            }
        } else if (text[0] == '`' && !IsPageTimeFunction(text)) {
            // A variable's value is data: printed as it stands, never evaluated again.
            cell->CellText = EvalFunction(text);
            cell->TextIsLiteral = true;
        } else {
            cell->CellText = text;
        }
    }

    // Copies of a merged block: covered cells join the latest copy of their merge top.
    if (TReportCell* top = t->OwnerCell) {
        TCellTable* entry = nullptr;
        for (qsizetype i = CellTables.size() - 1; i >= 0 && !entry; --i)
            if (CellTables[i]->TemplateCell == top) entry = CellTables[i];
        if (entry)
            entry->ProducedCell->AddOwnedCell(cell);
        else
            CellTables.append(new TCellTable{top, cell});
    }
    if (!t->OwnedCells.isEmpty()) CellTables.append(new TCellTable{t, cell});

    cell->CalcMinHeight();
}

} // namespace karvell
