#pragma once
// Lines, fills and pictures with the pixel coverage of the Windows drawing calls the report was
// designed on, drawn in document pixels through the painter's current (scale + translate)
// transform. Every shape is rounded to whole device pixels and is at least one device pixel
// thick, so a 1-px line stays visible at any zoom and lights exactly one column at zoom 100.
#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QTransform>

class QPainter;

namespace karvell {

// FillRect: fills [left, right) × [top, bottom); nothing when the rectangle is empty.
void GdiFillRect(QPainter& painter, double left, double top, double right, double bottom,
                 const QColor& color);
// MoveTo + LineTo of a horizontal or vertical line with a solid pen of `width` document pixels.
// A 1-px pen lights the start point and excludes the end point; a wider pen is centred on the
// line (width 2 at x covers x − 1 and x) and reaches width / 2 beyond both ends, like the round
// caps of a geometric pen. Slanted lines are drawn by GdiDiagonal.
void GdiLine(QPainter& painter, int x1, int y1, int x2, int y2, int width, const QColor& color);
// A 1-px line between two arbitrary points (end point excluded at zoom 100).
void GdiDiagonal(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& color);
// StretchBlt: the image stretched into the rectangle (document pixels, right and bottom
// exclusive), without keeping proportions. Nothing for an empty image or rectangle. A picture
// larger than the target on the device is first reduced to the device size, so neither a huge
// picture nor a printer ever gets more pixels than the rectangle shows.
void GdiStretchImage(QPainter& painter, const QImage& image, const QRect& target);

// Several of the shapes above drawn in a row, as the functions above draw them, with the painter
// switched to device pixels once for all of them. A printer's paint engine (the PDF writer)
// writes a graphics state for every change of transform, pen or brush, so a cell's fill,
// borders and diagonals drawn one by one cost several times the bytes of the shapes themselves.
// The shapes are drawn in their order; the painter's state is as before when the batch
// ends.
class GdiBatch {
public:
    explicit GdiBatch(QPainter& painter);
    ~GdiBatch();
    GdiBatch(const GdiBatch&) = delete;
    GdiBatch& operator=(const GdiBatch&) = delete;

    void FillRect(double left, double top, double right, double bottom, const QColor& color);
    void Line(int x1, int y1, int x2, int y2, int width, const QColor& color);
    void Diagonal(int x1, int y1, int x2, int y2, const QColor& color);
    // Gives the painter back in its state before the batch (also done by the destructor).
    void End();

private:
    void Fill(double l, double t, double r, double b, const QColor& color);
    void ToDevice();

    QPainter& m_painter;
    const QTransform m_document; // document pixels onto the device
    const bool m_batched;        // false for rotated transforms: each shape on its own
    const bool m_printer;        // a paint engine that writes every state change it is given
    bool m_device = false;       // the painter draws in device pixels, its state saved
    QColor m_brush;              // the printer's fill colour while m_device
    struct {
        QTransform world;
        QPen pen;
        QBrush brush;
        bool antialias = false;
    } m_saved; // what a printer's painter is given back
};

} // namespace karvell
