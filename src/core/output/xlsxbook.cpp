// The collected sheets through libxlsxwriter in its constant_memory mode, which writes each row
// out as soon as a later row is started: the rows go in order, and a block merged over several
// lines is written a row at a time, its range declared on its last row (where the library's own
// writes into the rows above are refused and the row's are repeated).
#include <QDataStream>
#include <QFile>
#include <algorithm>
#include <utility>
#include <xlsxwriter.h>

#include "output/xlsxbook_p.h"
#include "platform/error.h"

namespace karvell {
namespace {

// The spreadsheet's paper numbers that are the printer's paper codes as well (1 … 41 are
// the common ones both define alike).
constexpr int kLastSharedPaper = 41;

class Workbook {
public:
    Workbook(const QString& file, const QString& scratchDir) : m_scratch(scratchDir.toUtf8()) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_scratch.data();
        m_book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
        if (!m_book) throw KarvellError(QStringLiteral("无法创建电子表格"));
    }
    ~Workbook() {
        if (m_book) lxw_workbook_free(m_book);
    }
    lxw_workbook* get() const { return m_book; }
    void Close() {
        const lxw_error error = workbook_close(std::exchange(m_book, nullptr));
        if (error != LXW_NO_ERROR)
            throw KarvellError(
                QStringLiteral("电子表格写入失败：%1").arg(QString::fromUtf8(lxw_strerror(error))));
    }

private:
    QByteArray m_scratch;
    lxw_workbook* m_book = nullptr;
};

lxw_color_t Color(int rgb) {
    return rgb == 0 ? lxw_color_t(LXW_COLOR_BLACK) : lxw_color_t(rgb);
}

lxw_format* MakeFormat(lxw_workbook* book, const XlsxStyle& s) {
    lxw_format* f = workbook_add_format(book);
    if (!s.font.isEmpty()) format_set_font_name(f, s.font.toUtf8().constData());
    format_set_font_size(f, s.points);
    if (s.bold) format_set_bold(f);
    if (s.italic) format_set_italic(f);
    if (s.underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (s.strikeOut) format_set_font_strikeout(f);
    if (s.color != 0) format_set_font_color(f, Color(s.color));
    if (s.fill >= 0) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, Color(s.fill));
    }
    format_set_align(f, s.horizontal == 1   ? LXW_ALIGN_CENTER
                        : s.horizontal == 2 ? LXW_ALIGN_RIGHT
                                            : LXW_ALIGN_LEFT);
    format_set_align(f, s.vertical == 1   ? LXW_ALIGN_VERTICAL_CENTER
                        : s.vertical == 2 ? LXW_ALIGN_VERTICAL_BOTTOM
                                          : LXW_ALIGN_VERTICAL_TOP);
    if (s.wrap) format_set_text_wrap(f);
    format_set_left(f, uint8_t(s.border[0]));
    format_set_top(f, uint8_t(s.border[1]));
    format_set_right(f, uint8_t(s.border[2]));
    format_set_bottom(f, uint8_t(s.border[3]));
    if (s.diagonal) {
        format_set_diag_type(f, uint8_t(s.diagonal));
        format_set_diag_border(f, LXW_BORDER_THIN);
    }
    if (!s.numberFormat.isEmpty()) format_set_num_format(f, s.numberFormat.toUtf8().constData());
    return f;
}

void Check(lxw_error error, const QString& what) {
    if (error != LXW_NO_ERROR)
        throw KarvellError(QStringLiteral("电子表格写入失败（%1）：%2")
                               .arg(what, QString::fromUtf8(lxw_strerror(error))));
}

// A cell with its columns and format.
struct Placed {
    const XlsxCell* cell;
    int first, last; // columns
    lxw_format* format;
    bool Merged() const { return last > first || cell->rowSpan > 1; }
    int LastRow() const { return cell->row + cell->rowSpan - 1; }
};

// Rows [begin, end) of one page, in order: each row's height, the merged ranges that end on it,
// its cells' values, and the formatted blanks of the ranges that go on below it.
void WriteRows(lxw_worksheet* ws, int begin, int end, const std::vector<Placed>& placed,
               const std::vector<double>& rowPoints) {
    std::vector<std::vector<const Placed*>> starting(size_t(end - begin)),
        ending(size_t(end - begin));
    for (const Placed& p : placed) {
        if (p.cell->row < begin || p.cell->row >= end) continue;
        starting[size_t(p.cell->row - begin)].push_back(&p);
        if (p.Merged()) ending[size_t(std::min(p.LastRow(), end - 1) - begin)].push_back(&p);
    }
    std::vector<const Placed*> open; // merged over the rows below their first
    for (int r = begin; r < end; ++r) {
        const auto row = lxw_row_t(r);
        Check(worksheet_set_row(ws, row, rowPoints[size_t(r)], nullptr), QStringLiteral("行高"));
        for (const Placed* p : ending[size_t(r - begin)]) {
            const QByteArray text = p->cell->isNumber ? QByteArray() : p->cell->text.toUtf8();
            Check(worksheet_merge_range(ws, lxw_row_t(p->cell->row), lxw_col_t(p->first), row,
                                        lxw_col_t(p->last), text.constData(), p->format),
                  QStringLiteral("合并单元格"));
        }
        for (const Placed* p : starting[size_t(r - begin)]) {
            const XlsxCell& cell = *p->cell;
            const auto col = lxw_col_t(p->first);
            if (cell.isNumber)
                Check(worksheet_write_number(ws, row, col, cell.number, p->format),
                      QStringLiteral("数值"));
            else if (!p->Merged() || cell.rowSpan > 1) {
                // A range on this row alone has had its text from the merge above.
                const QByteArray text = cell.text.toUtf8();
                Check(text.isEmpty()
                          ? worksheet_write_blank(ws, row, col, p->format)
                          : worksheet_write_string(ws, row, col, text.constData(), p->format),
                      QStringLiteral("文字"));
            }
            if (cell.rowSpan > 1) open.push_back(p);
        }
        for (const Placed* p : open)
            for (int c = p->first; c <= p->last; ++c)
                if (r < p->LastRow() && (r != p->cell->row || c != p->first))
                    Check(worksheet_write_blank(ws, row, lxw_col_t(c), p->format),
                          QStringLiteral("合并单元格"));
        std::erase_if(open, [r](const Placed* p) { return p->LastRow() <= r; });
    }
}

void WriteSheet(lxw_workbook* book, XlsxSheet& sheet, const std::vector<lxw_format*>& formats,
                const std::function<void(const QString&)>& warn) {
    lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.toUtf8().constData());
    if (!ws) throw KarvellError(QStringLiteral("无法添加工作表“%1”").arg(sheet.name));
    std::vector<int>& edges = sheet.edges;
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (edges.size() > 16385) {
        warn(QStringLiteral("电子表格至多 16384 列：右侧多出的单元格未写入"));
        edges.resize(16385);
    }
    for (size_t i = 0; i + 1 < edges.size(); ++i)
        Check(worksheet_set_column_pixels(ws, lxw_col_t(i), lxw_col_t(i),
                                          uint32_t(edges[i + 1] - edges[i]), nullptr),
              QStringLiteral("列宽"));
    auto columnOf = [&edges](int x) {
        return int(std::lower_bound(edges.begin(), edges.end(), x) - edges.begin());
    };
    int row = 0;
    for (int page = 0; page < sheet.Pages(); ++page) {
        const std::vector<XlsxCell> cells = sheet.PageCells(page);
        std::vector<Placed> placed;
        placed.reserve(cells.size());
        for (const XlsxCell& cell : cells) {
            const int first = columnOf(cell.left);
            const int last = std::min(columnOf(cell.right), int(edges.size()) - 1) - 1;
            if (last < first) continue; // beyond the last column a spreadsheet has
            placed.push_back({&cell, first, last, formats[size_t(cell.style)]});
        }
        WriteRows(ws, row, sheet.pageEnds[size_t(page)], placed, sheet.rowPoints);
        row = sheet.pageEnds[size_t(page)];
    }
    // Pictures move and size with their cell, as the page has them inside it.
    for (const XlsxPicture& p : sheet.pictures) {
        const int col = columnOf(p.left);
        if (col + 1 >= int(edges.size()) || p.imageWidth <= 0 || p.imageHeight <= 0) continue;
        lxw_image_options options{};
        options.x_offset = int32_t(p.inset);
        options.y_offset = int32_t(p.inset);
        options.x_scale = double(p.width) / p.imageWidth;
        options.y_scale = double(p.height) / p.imageHeight;
        options.object_position = LXW_OBJECT_MOVE_AND_SIZE;
        Check(worksheet_insert_image_buffer_opt(
                  ws, lxw_row_t(p.row), lxw_col_t(col),
                  reinterpret_cast<const unsigned char*>(p.png.constData()), size_t(p.png.size()),
                  &options),
              QStringLiteral("图片"));
    }
    std::vector<lxw_row_t> breaks(sheet.breaks.begin(), sheet.breaks.end());
    if (breaks.size() > size_t(kExcelPageBreaks)) {
        warn(QStringLiteral("电子表格一张工作表至多 %1 个分页符：其后的页不再分页")
                 .arg(kExcelPageBreaks));
        breaks.resize(size_t(kExcelPageBreaks));
    }
    if (!breaks.empty()) {
        breaks.push_back(0); // the list's end
        Check(worksheet_set_h_pagebreaks(ws, breaks.data()), QStringLiteral("分页符"));
    }
    if (sheet.paper >= 1 && sheet.paper <= kLastSharedPaper)
        worksheet_set_paper(ws, uint8_t(sheet.paper));
    else
        warn(QStringLiteral("自定义纸张在电子表格中没有名称：按打印机的默认纸张"));
    if (sheet.landscape)
        worksheet_set_landscape(ws);
    else
        worksheet_set_portrait(ws);
    worksheet_set_margins(ws, sheet.marginMm[0] / 25.4, sheet.marginMm[1] / 25.4,
                          sheet.marginMm[2] / 25.4, sheet.marginMm[3] / 25.4);
    // Column widths are in character units that each program measures with its own default
    // font, so a page may come out a little wider than the paper: it is printed one page wide,
    // down to the manual page breaks.
    worksheet_fit_to_pages(ws, 1, 0);
    sheet = XlsxSheet(); // written: its cells are no longer needed
}

} // namespace

void WriteXlsxBook(XlsxBook& book, const QString& file, const QString& title,
                   const QString& scratchDir, const std::function<void(const QString&)>& warn) {
    Workbook workbook(file, scratchDir);
    const QByteArray titleText = title.toUtf8();
    QByteArray creator("karvell");
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>(titleText.constData());
    properties.author = creator.data();
    Check(workbook_set_properties(workbook.get(), &properties), QStringLiteral("文档属性"));
    std::vector<lxw_format*> formats;
    formats.reserve(book.styles.size());
    for (const XlsxStyle& style : book.styles)
        formats.push_back(MakeFormat(workbook.get(), style));
    for (XlsxSheet& sheet : book.sheets)
        WriteSheet(workbook.get(), sheet, formats, warn);
    workbook.Close();
}

void XlsxSheet::AddPageCells(const std::vector<XlsxCell>& cells) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint32(cells.size());
    for (const XlsxCell& c : cells)
        out << qint32(c.row) << qint32(c.rowSpan) << qint32(c.left) << qint32(c.right)
            << qint32(c.style) << c.isNumber << c.number << c.text;
    if (!cellPages) cellPages = std::make_unique<TPageSpool>();
    cellPages->Append(bytes);
    pageEnds.push_back(int(rowPoints.size()));
}

std::vector<XlsxCell> XlsxSheet::PageCells(int page) const {
    const QByteArray bytes = cellPages->Page(page);
    QDataStream in(bytes);
    qint32 count = 0;
    in >> count;
    std::vector<XlsxCell> cells;
    cells.reserve(size_t(std::max(count, 0)));
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 row = 0, rowSpan = 1, left = 0, right = 0, style = 0;
        XlsxCell c;
        in >> row >> rowSpan >> left >> right >> style >> c.isNumber >> c.number >> c.text;
        c.row = row;
        c.rowSpan = rowSpan;
        c.left = left;
        c.right = right;
        c.style = style;
        cells.push_back(std::move(c));
    }
    if (in.status() != QDataStream::Ok)
        throw KarvellError(
            QStringLiteral("无法读回工作表“%1”第 %2 页的单元格").arg(name).arg(page + 1));
    return cells;
}

} // namespace karvell
