#pragma once
// A page as printed, recorded as drawing operations in millimetres on its paper. The page is
// painted by the same code that paints it into a PDF (render/printpage.cpp), on a device with
// the PDF's size and resolution whose paint engine keeps what it is given instead of
// rasterising it; so a fixed-layout document made from the record puts every fill, line,
// character and picture where the PDF does.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPainterPath>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <variant>
#include <vector>

namespace karvell {

class TReportDocument;

// A filled or stroked outline; `fill` or `stroke` is invalid when not used.
struct RecordedPath {
    QPainterPath path; // in mm, from the paper's top-left corner
    QColor fill;
    QColor stroke;
    double lineWidth = 0; // mm
};

// One run of characters drawn on one baseline in one font.
struct RecordedText {
    QFont font;       // as the cell stores it (family, weight, italic)
    QRawFont rawFont; // the font the characters were actually drawn with
    QColor color;
    double size = 0; // em size, mm
    QPointF origin;  // first character's baseline start, mm
    QString text;
    QList<double> advances; // mm from each character to the next, one fewer than characters
    QRectF clip;            // mm; null when not clipped
};

struct RecordedImage {
    QRectF rect; // mm
    QImage image;
};

using RecordedItem = std::variant<RecordedPath, RecordedText, RecordedImage>;

struct RecordedPage {
    QSizeF paper; // mm
    std::vector<RecordedItem> items;
};

// Paints `page` as printed on `layout`'s paper at `dpi` (the PDF's resolution), with the
// current form offset, and answers what was drawn.
RecordedPage RecordPage(const TReportDocument& page, const QPageLayout& layout, int dpi);

} // namespace karvell
