#include "previewicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "iconpainting.h"

namespace karvell {

namespace {

using namespace icon;

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = r.top() + 8; y < r.bottom() - 3; y += 4)
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 4, y));
}

void Magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(kBlue, 2.5));
    p.drawLine(QPointF(9, 13), QPointF(17, 13));
    if (plus) p.drawLine(QPointF(13, 9), QPointF(13, 17));
}

// A triangle pointing left (dir = -1) or right (dir = 1) around x, with an optional bar.
void Arrow(QPainter& p, int dir, bool bar) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    const qreal tip = dir < 0 ? 8 : 24;
    const qreal base = dir < 0 ? 22 : 10;
    p.drawPolygon(QPolygonF({QPointF(tip, 16), QPointF(base, 6), QPointF(base, 26)}));
    if (bar) {
        const qreal x = dir < 0 ? 5 : 24;
        p.drawRect(QRectF(x, 6, 3, 20));
    }
}

// Three table rows, the one the button works on highlighted.
void Rows(QPainter& p, int which) {
    p.setPen(QPen(kInk, 1));
    for (int i = 0; i < 3; ++i) {
        const QRectF row(3, 5 + i * 8, 20, 7);
        p.setBrush(i == which ? QColor(255, 240, 170) : QColor(Qt::white));
        p.drawRect(row);
        p.drawLine(QPointF(11, row.top()), QPointF(11, row.bottom()));
    }
}

void Draw(QPainter& p, PreviewIcon kind) {
    switch (kind) {
    case PreviewIcon::PrintSetup: {
        Sheet(p, QRectF(4, 3, 18, 24));
        p.setPen(QPen(kBlue, 2));
        p.setBrush(QColor(200, 220, 250));
        p.drawEllipse(QPointF(23, 22), 6, 6);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(23, 22), 2, 2);
        break;
    }
    case PreviewIcon::Print: {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(170, 175, 185));
        p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 20, 14, 9));
        p.setPen(kGreen);
        p.drawPoint(QPointF(25, 16));
        break;
    }
    case PreviewIcon::FitSize: {
        Sheet(p, QRectF(8, 6, 16, 20));
        p.setPen(QPen(kBlue, 2));
        p.drawLine(QPointF(2, 16), QPointF(7, 16));
        p.drawLine(QPointF(25, 16), QPointF(30, 16));
        p.drawLine(QPointF(16, 1), QPointF(16, 5));
        p.drawLine(QPointF(16, 27), QPointF(16, 31));
        break;
    }
    case PreviewIcon::OriginalSize: {
        Sheet(p, QRectF(5, 3, 22, 26));
        QFont f;
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBlue);
        p.drawText(QRectF(5, 9, 22, 14), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case PreviewIcon::ZoomIn:
        Magnifier(p, true);
        break;
    case PreviewIcon::ZoomOut:
        Magnifier(p, false);
        break;
    case PreviewIcon::First:
        Arrow(p, -1, true);
        break;
    case PreviewIcon::Prior:
        Arrow(p, -1, false);
        break;
    case PreviewIcon::Next:
        Arrow(p, 1, false);
        break;
    case PreviewIcon::Last:
        Arrow(p, 1, true);
        break;
    case PreviewIcon::InsertRow:
    case PreviewIcon::AddRow: {
        Rows(p, kind == PreviewIcon::InsertRow ? 1 : 2);
        p.setPen(QPen(kGreen, 3));
        p.drawLine(QPointF(21, 24), QPointF(31, 24));
        p.drawLine(QPointF(26, 19), QPointF(26, 29));
        break;
    }
    case PreviewIcon::DeleteRow: {
        Rows(p, 1);
        p.setPen(QPen(kRed, 3));
        p.drawLine(QPointF(21, 19), QPointF(30, 28));
        p.drawLine(QPointF(30, 19), QPointF(21, 28));
        break;
    }
    case PreviewIcon::Exit: {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(150, 100, 60));
        p.drawRect(QRectF(8, 3, 15, 26));
        p.setBrush(QColor(230, 200, 60));
        p.drawEllipse(QPointF(19, 17), 1.5, 1.5);
        p.setPen(QPen(kRed, 2.5));
        p.drawLine(QPointF(24, 16), QPointF(31, 16));
        p.drawLine(QPointF(28, 12), QPointF(31, 16));
        p.drawLine(QPointF(28, 20), QPointF(31, 16));
        break;
    }
    case PreviewIcon::Export: { // a sheet with an arrow leaving it
        Sheet(p, QRectF(3, 3, 18, 24));
        p.setPen(QPen(kGreen, 2.5));
        p.drawLine(QPointF(14, 18), QPointF(30, 18));
        p.drawLine(QPointF(25, 13), QPointF(30, 18));
        p.drawLine(QPointF(25, 23), QPointF(30, 18));
        break;
    }
    }
}

} // namespace

QIcon MakePreviewIcon(PreviewIcon kind) {
    return icon::Drawn(32, [kind](QPainter& p) { Draw(p, kind); });
}

} // namespace karvell
