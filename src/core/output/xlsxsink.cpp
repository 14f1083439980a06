#include "output/xlsxsink.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

#include "format/amountformat.h"
#include "model/reportcell.h"
#include "model/reportdocument.h"
#include "model/reportline.h"
#include "output/xlsxbook_p.h"
#include "output/xlsxnumbers.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "render/paintcell.h"

namespace karvell {
namespace {

constexpr int kMaxSheetName = 31;
constexpr COLORREF kWhite = RGB(255, 255, 255);

int RgbOf(COLORREF c) {
    return int(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

// The printed width of a line: one dot is thin, two medium, more thick.
int BorderOf(bool drawn, int width) {
    if (!drawn || width <= 0) return kBorderNone;
    return width == 1 ? kBorderThin : width == 2 ? kBorderMedium : kBorderThick;
}

// Document pixels are 1/96 inch.
double PointsOfPixels(int px) {
    return px * 72.0 / 96.0;
}

} // namespace

QByteArray XlsxStyle::Key() const {
    QByteArray key = font.toUtf8();
    key += '\0';
    key += numberFormat.toUtf8();
    key += '\0';
    const int fields[] = {int(points * 4), bold,      italic,     underline, strikeOut,
                          color,           fill,      horizontal, vertical,  wrap,
                          border[0],       border[1], border[2],  border[3], diagonal};
    key.append(reinterpret_cast<const char*>(fields), sizeof fields);
    return key;
}

int XlsxBook::StyleId(const XlsxStyle& style) {
    const QByteArray key = style.Key();
    const auto it = styleIds.constFind(key);
    if (it != styleIds.constEnd()) return *it;
    styles.push_back(style);
    return *styleIds.insert(key, int(styles.size() - 1));
}

TXlsxSink::TXlsxSink(const QString& path, const QString& title)
    : m_path(path), m_title(title), m_file(std::make_unique<AtomicFile>(path)),
      m_book(std::make_unique<XlsxBook>()) {}

TXlsxSink::~TXlsxSink() = default;

QString TXlsxSink::SheetName(const QString& wanted, const QStringList& taken) {
    static const QRegularExpression refused(QStringLiteral("[\\[\\]:*?/\\\\]"));
    QString base = QString(wanted).replace(refused, QStringLiteral("_")).trimmed();
    // A name may not begin or end with an apostrophe, nor be the reserved "History".
    while (base.startsWith(u'\''))
        base.remove(0, 1);
    while (base.endsWith(u'\''))
        base.chop(1);
    if (base.isEmpty() || base.compare(QStringLiteral("History"), Qt::CaseInsensitive) == 0)
        base = QStringLiteral("Sheet");
    base = base.left(kMaxSheetName);
    auto isTaken = [&taken](const QString& name) {
        return std::any_of(taken.begin(), taken.end(), [&name](const QString& t) {
            return t.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    QString name = base;
    for (int n = 2; isTaken(name); ++n) {
        const QString suffix = QStringLiteral("(%1)").arg(n);
        name = base.left(kMaxSheetName - suffix.size()) + suffix;
    }
    return name;
}

void TXlsxSink::StartSheet(const QString& name) {
    QStringList taken;
    for (const XlsxSheet& sheet : m_book->sheets)
        taken.append(sheet.name);
    const QString shown = SheetName(name, taken);
    // Said once, with the first example: a month's keys may all hold a "/".
    if (shown != name && !m_renamed) {
        m_renamed = true;
        Warn(QStringLiteral("工作表名须合电子表格的规则（至多 31 个字符，不含 []:*?/\\，"
                            "不重复）：如“%1”写为“%2”")
                 .arg(name, shown));
    }
    m_book->sheets.emplace_back();
    m_book->sheets.back().name = shown;
}

void TXlsxSink::SetNumberCells(const QList<TPageNumberCells>* cells) {
    m_numberCells = cells;
    m_numberPage = 0;
}

void TXlsxSink::Warn(const QString& text) {
    if (m_warned.contains(text)) return;
    m_warned.append(text);
    if (OnWarning) OnWarning(text);
}

void TXlsxSink::AddPicture(XlsxSheet& sheet, int row, const TReportCell& cell) {
    const QImage& image = cell.CellBitmap->image;
    // A picture repeated on every page (a logo) is encoded and held once.
    QCryptographicHash digest(QCryptographicHash::Sha1);
    digest.addData(
        QByteArrayView(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    digest.addData(QByteArray::number(image.width()) + 'x' + QByteArray::number(image.height()));
    QByteArray& png = m_book->pngOf[digest.result()];
    if (png.isEmpty()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        // Spreadsheets have no transparency either: the picture as the page paints it.
        if (!image.save(&buffer, "PNG")) {
            Warn(QStringLiteral("单元格中的图片无法写入电子表格"));
            return;
        }
    }
    XlsxPicture p;
    p.row = row;
    p.left = cell.CellLeft;
    p.inset = PICTURE_INSET;
    p.width = std::max(1, cell.CellRect.Width() - 2 * PICTURE_INSET);
    p.height = std::max(1, cell.CellRect.Height() - 2 * PICTURE_INSET);
    p.imageWidth = image.width();
    p.imageHeight = image.height();
    p.png = png;
    sheet.pictures.push_back(std::move(p));
}

void TXlsxSink::AddPage(const TReportDocument& page, const QPageLayout& /*layout*/) {
    if (m_book->sheets.empty()) StartSheet(m_title);
    XlsxSheet& sheet = m_book->sheets.back();
    // The number cells of this page, by line and cell.
    QHash<qint64, TNumberCell> formats;
    if (m_numberCells && m_numberPage < m_numberCells->size())
        for (const TNumberCell& n : m_numberCells->at(m_numberPage))
            formats.insert(qint64(n.line) << 32 | n.cell, n);
    ++m_numberPage;
    ++m_pages;

    const int firstRow = int(sheet.rowPoints.size());
    if (firstRow + page.Lines.size() > kExcelRows) {
        Warn(QStringLiteral("电子表格一张工作表至多 %1 行：第 %2 页起的页未写入")
                 .arg(kExcelRows)
                 .arg(m_pages));
        return;
    }
    if (firstRow > 0) sheet.breaks.push_back(firstRow);
    if (!sheet.hasPaper) {
        sheet.hasPaper = true;
        sheet.paper = page.PaperSize;
        sheet.landscape = page.PaperOrientation == DMORIENT_LANDSCAPE;
        sheet.marginMm[0] = page.LeftMargin;
        sheet.marginMm[1] = page.RightMargin;
        sheet.marginMm[2] = page.TopMargin;
        sheet.marginMm[3] = page.BottomMargin;
    }
    QHash<const TReportLine*, int> rowOf;
    for (int l = 0; l < page.Lines.size(); ++l)
        rowOf.insert(page.Lines[l], firstRow + l);
    std::vector<XlsxCell> cells;

    for (int l = 0; l < page.Lines.size(); ++l) {
        const TReportLine* line = page.Lines[l];
        const int height =
            line->LineRect.Height() > 0 ? line->LineRect.Height() : line->LineHeight();
        sheet.rowPoints.push_back(PointsOfPixels(height));
        for (int c = 0; c < line->Cells.size(); ++c) {
            const TReportCell* cell = line->Cells[c];
            if (cell->OwnerCell || cell->CellWidth <= 0) continue; // drawn by its merge top
            XlsxCell out;
            out.row = firstRow + l;
            out.left = cell->CellLeft;
            out.right = cell->CellLeft + cell->CellWidth;
            for (const TReportCell* owned : cell->OwnedCells)
                out.rowSpan =
                    std::max(out.rowSpan, rowOf.value(owned->OwnerLine, out.row) - out.row + 1);
            out.text = Gbk::Decode(cell->CellText);
            const auto known = formats.constFind(qint64(l) << 32 | c);
            std::optional<QByteArray> format;
            std::optional<XlsxNumber> date;
            if (known != formats.constEnd() && known->date)
                date = DateOfCell(out.text, QString::fromUtf8(known->format));
            else if (known != formats.constEnd())
                format = known->format;
            else if (ParseAmountFormat(cell->CellDispFormat).ValidColumns())
                format = cell->CellDispFormat;
            XlsxStyle style;
            if (date) {
                out.isNumber = true;
                out.number = date->value;
                style.numberFormat = date->format;
            } else if (format)
                if (const std::optional<XlsxNumber> number = NumberOfCell(out.text, *format)) {
                    out.isNumber = true;
                    out.number = number->value;
                    style.numberFormat = number->format;
                }
            const LOGFONTA& f = cell->LogFont;
            style.font = FaceName(f);
            // Negative heights are the em in pixels; positive ones the cell height, taken as
            // the nearest the spreadsheet has.
            style.points = f.lfHeight == 0 ? 12.0 : PointsOfPixels(std::abs(f.lfHeight));
            style.bold = f.lfWeight >= 600;
            style.italic = f.lfItalic != 0;
            style.underline = f.lfUnderline != 0;
            style.strikeOut = f.lfStrikeOut != 0;
            style.color = RgbOf(cell->TextColor);
            style.fill = cell->BackGroundColor == kWhite ? -1 : RgbOf(cell->BackGroundColor);
            style.horizontal = cell->HorzAlign == 1 || cell->HorzAlign == 2 ? cell->HorzAlign : 0;
            style.vertical = cell->VertAlign == 1 || cell->VertAlign == 2 ? cell->VertAlign : 0;
            // The page breaks every text into lines at the cell's width; numbers are never
            // broken (they become "#" when too wide).
            style.wrap = !out.isNumber;
            style.border[0] = BorderOf(cell->LeftLine, cell->LeftLineWidth);
            style.border[1] = BorderOf(cell->TopLine, cell->TopLineWidth);
            style.border[2] = BorderOf(cell->RightLine, cell->RightLineWidth);
            style.border[3] = BorderOf(cell->BottomLine, cell->BottomLineWidth);
            if (cell->DiagonalFlags & DIAG_LT_RB) style.diagonal |= kDiagonalDown;
            if (cell->DiagonalFlags & DIAG_RT_LB) style.diagonal |= kDiagonalUp;
            if (cell->DiagonalFlags & (DIAG_LT_RM | DIAG_LT_BM | DIAG_RT_LM | DIAG_RT_BM))
                Warn(QStringLiteral("电子表格只有角到角的斜线：到边中点的斜线未写入"));
            if (cell->CellBitmap && !cell->CellBitmap->IsEmpty()) AddPicture(sheet, out.row, *cell);
            out.style = m_book->StyleId(style);
            sheet.edges.push_back(out.left);
            sheet.edges.push_back(out.right);
            cells.push_back(std::move(out));
        }
    }
    sheet.AddPageCells(cells);
    // Keep the edges few as pages come: most pages share them.
    if (sheet.edges.size() > 4096) {
        std::sort(sheet.edges.begin(), sheet.edges.end());
        sheet.edges.erase(std::unique(sheet.edges.begin(), sheet.edges.end()), sheet.edges.end());
    }
}

void TXlsxSink::Finish() {
    if (m_pages == 0) throw KarvellError(QStringLiteral("没有可写入“%1”的页").arg(m_path));
    // libxlsxwriter writes a named file: a scratch folder holds it and its own temporaries,
    // and the bytes reach the target through the atomic save.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw KarvellError(QStringLiteral("无法创建临时文件夹：%1").arg(scratch.errorString()));
    const QString file = scratch.filePath(QStringLiteral("book.xlsx"));
    WriteXlsxBook(*m_book, file, m_title, scratch.path(), [this](const QString& w) { Warn(w); });
    m_book = std::make_unique<XlsxBook>(); // the cells are no longer needed
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly) || !m_file->WriteFrom(written))
        throw KarvellError(QStringLiteral("无法读取生成的电子表格：%1").arg(written.errorString()));
    m_file->Commit();
}

} // namespace karvell
