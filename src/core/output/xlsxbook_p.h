#pragma once
// The spreadsheet as the XLSX sink collects it, before libxlsxwriter writes it: compact cells
// with shared styles, per sheet. Columns are known only once a sheet's last page is in.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "output/pagespool.h"

namespace karvell {

inline constexpr int kBorderNone = 0, kBorderThin = 1, kBorderMedium = 2, kBorderThick = 5;
inline constexpr int kDiagonalUp = 1, kDiagonalDown = 2; // as libxlsxwriter counts them
inline constexpr int kExcelRows = 1048576;
inline constexpr int kExcelPageBreaks = 1023;

struct XlsxStyle {
    QString font;
    double points = 12;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    int color = 0;      // 0xRRGGBB
    int fill = -1;      // 0xRRGGBB, -1 none
    int horizontal = 0; // 0 left, 1 centre, 2 right
    int vertical = 1;   // 0 top, 1 centre, 2 bottom
    bool wrap = false;
    int border[4] = {};   // left, top, right, bottom: kBorder…
    int diagonal = 0;     // kDiagonalUp | kDiagonalDown
    QString numberFormat; // empty: general
    QByteArray Key() const;
};

struct XlsxCell {
    int row = 0;
    int rowSpan = 1;
    int left = 0, right = 0; // document pixels
    int style = 0;
    bool isNumber = false;
    double number = 0;
    QString text;
};

// A cell's picture, stretched over the cell less the inset as the page paints it.
struct XlsxPicture {
    int row = 0;
    int left = 0;  // the cell's left edge, document pixels
    int inset = 0; // pixels from the cell's corner
    int width = 0; // the picture's size on the page, pixels
    int height = 0;
    int imageWidth = 0; // the PNG's own size
    int imageHeight = 0;
    QByteArray png; // shared between the pages that show the same picture
};

struct XlsxSheet {
    QString name;
    // Its cells a page at a time in a scratch file: a long sheet's would not fit in memory.
    // Throws KarvellError when the file cannot take them or give them back.
    void AddPageCells(const std::vector<XlsxCell>& cells);
    int Pages() const { return int(pageEnds.size()); }
    std::vector<XlsxCell> PageCells(int page) const;
    std::unique_ptr<TPageSpool> cellPages;
    std::vector<int> pageEnds;     // one past each page's last row
    std::vector<double> rowPoints; // row heights
    std::vector<int> breaks;       // the first row of every page but the first
    std::vector<int> edges;        // cell edges, sorted and unique once the sheet is laid out
    std::vector<XlsxPicture> pictures;
    bool hasPaper = false;
    int paper = 0; // the printer's paper code (the spreadsheet's paper numbers are the same)
    bool landscape = false;
    double marginMm[4] = {}; // left, right, top, bottom
};

struct XlsxBook {
    std::vector<XlsxSheet> sheets;
    std::vector<XlsxStyle> styles;
    QHash<QByteArray, int> styleIds;
    QHash<QByteArray, QByteArray> pngOf; // a picture's pixels (digest) → its PNG bytes
    int StyleId(const XlsxStyle& style);
};

// Writes the workbook into `file` (a scratch path); throws KarvellError when libxlsxwriter
// fails. `warn` names what a spreadsheet cannot hold.
void WriteXlsxBook(XlsxBook& book, const QString& file, const QString& title,
                   const QString& scratchDir, const std::function<void(const QString&)>& warn);

} // namespace karvell
