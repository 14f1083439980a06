#include "designicons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "iconpainting.h"

namespace karvell {
namespace {

using namespace icon;

// A small table of cols × rows cells in the rectangle.
void Table(QPainter& p, const QRectF& r, int cols, int rows, const QColor& fill = Qt::white) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawRect(r);
    for (int c = 1; c < cols; ++c) {
        const qreal x = r.left() + r.width() * c / cols;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (int w = 1; w < rows; ++w) {
        const qreal y = r.top() + r.height() * w / rows;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void Letter(QPainter& p, const QString& text, bool bold, bool italic, bool underline) {
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(14);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

// Four text strokes aligned left (0), centred (1) or right (2).
void HorzStrokes(QPainter& p, int align) {
    p.setPen(QPen(kInk, 1.6));
    const qreal widths[] = {12, 8, 12, 6};
    for (int i = 0; i < 4; ++i) {
        const qreal y = 3.5 + i * 3;
        const qreal w = widths[i];
        const qreal x = align == 0 ? 2 : align == 1 ? 8 - w / 2 : 14 - w;
        p.drawLine(QPointF(x, y), QPointF(x + w, y));
    }
}

// A box with a bar at the top (0), in the middle (1) or at the bottom (2).
void VertBar(QPainter& p, int align) {
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    const qreal y = align == 0 ? 3 : align == 1 ? 6.5 : 10;
    p.drawRect(QRectF(4, y, 8, 3));
}

void Picture(QPainter& p) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(200, 225, 250));
    p.drawRect(QRectF(4, 6, 22, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF(
        {QPointF(5, 23), QPointF(13, 13), QPointF(19, 19), QPointF(25, 12), QPointF(25, 23)}));
    p.setBrush(QColor(240, 200, 40));
    p.drawEllipse(QPointF(10, 11), 2.5, 2.5);
}

void Draw(QPainter& p, DesignIcon kind) {
    using I = DesignIcon;
    switch (kind) {
    case I::Save:
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(9, 18, 14, 10));
        p.setBrush(kInk);
        p.drawRect(QRectF(18, 6, 3, 5));
        break;
    case I::Split:
        Table(p, QRectF(3, 8, 26, 16), 1, 1);
        p.setPen(QPen(kRed, 1.5, Qt::DashLine));
        p.drawLine(QPointF(16, 5), QPointF(16, 27));
        break;
    case I::Combine:
        Table(p, QRectF(3, 8, 26, 16), 1, 1, QColor(255, 240, 170));
        p.setPen(QPen(kBlue, 2));
        p.drawLine(QPointF(7, 16), QPointF(13, 16));
        p.drawLine(QPointF(19, 16), QPointF(25, 16));
        p.drawLine(QPointF(13, 16), QPointF(10, 13));
        p.drawLine(QPointF(13, 16), QPointF(10, 19));
        p.drawLine(QPointF(19, 16), QPointF(22, 13));
        p.drawLine(QPointF(19, 16), QPointF(22, 19));
        break;
    case I::Font: {
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(24);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kBlue);
        p.drawText(QRectF(0, 0, 22, 28), Qt::AlignCenter, QStringLiteral("A"));
        f.setPixelSize(15);
        p.setFont(f);
        p.setPen(kRed);
        p.drawText(QRectF(15, 10, 16, 20), Qt::AlignCenter, QStringLiteral("a"));
        break;
    }
    case I::Border:
        Table(p, QRectF(5, 5, 22, 22), 2, 2);
        p.setPen(QPen(kInk, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(5, 5, 22, 22));
        break;
    case I::Color: {
        const QColor colors[] = {kRed, kGreen, kBlue, QColor(240, 200, 40)};
        for (int i = 0; i < 4; ++i) {
            p.setPen(QPen(kInk, 1));
            p.setBrush(colors[i]);
            p.drawRect(QRectF(4 + (i % 2) * 12, 4 + (i / 2) * 12, 11, 11));
        }
        break;
    }
    case I::ImageAdd:
        Picture(p);
        p.setPen(QPen(kGreen, 3));
        p.drawLine(QPointF(24, 22), QPointF(24, 30));
        p.drawLine(QPointF(20, 26), QPointF(28, 26));
        break;
    case I::ImageDelete:
        Picture(p);
        p.setPen(QPen(kRed, 3));
        p.drawLine(QPointF(20, 22), QPointF(28, 30));
        p.drawLine(QPointF(28, 22), QPointF(20, 30));
        break;
    case I::Bold:
        Letter(p, QStringLiteral("B"), true, false, false);
        break;
    case I::Italic:
        Letter(p, QStringLiteral("I"), false, true, false);
        break;
    case I::Underline:
        Letter(p, QStringLiteral("U"), false, false, true);
        break;
    case I::AlignLeft:
        HorzStrokes(p, 0);
        break;
    case I::AlignCenter:
        HorzStrokes(p, 1);
        break;
    case I::AlignRight:
        HorzStrokes(p, 2);
        break;
    case I::AlignTop:
        VertBar(p, 0);
        break;
    case I::AlignMiddle:
        VertBar(p, 1);
        break;
    case I::AlignBottom:
        VertBar(p, 2);
        break;
    }
}

} // namespace

QIcon MakeDesignIcon(DesignIcon kind) {
    const bool small = kind >= DesignIcon::Bold;
    const int size = small ? 16 : 32;
    return icon::Drawn(size, [kind](QPainter& p) { Draw(p, kind); });
}

} // namespace karvell
