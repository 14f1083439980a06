#include "editor/editoricons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace karvell {
namespace {

constexpr int kSize = 24;

// A small table of three cells in a row, the middle one marked by `mark`.
void DrawCells(QPainter& p, const QColor& mark) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    for (int i = 0; i < 3; ++i) {
        const QRect r(2 + i * 7, 8, 6, 8);
        p.fillRect(r, i == 1 ? mark : QColor(Qt::white));
        p.drawRect(r);
    }
}

void DrawSign(QPainter& p, char sign, const QColor& color) {
    p.setPen(QPen(color, 2));
    if (sign == '+' || sign == '-') p.drawLine(15, 20, 21, 20);
    if (sign == '+') p.drawLine(18, 17, 18, 23);
    if (sign == 'x') {
        p.drawLine(15, 17, 21, 23);
        p.drawLine(21, 17, 15, 23);
    }
    if (sign == '>') {
        p.drawLine(14, 20, 21, 20);
        p.drawLine(18, 17, 21, 20);
        p.drawLine(18, 23, 21, 20);
    }
}

} // namespace

QIcon MakeEditorIcon(EditorIcon kind) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor green(30, 140, 60), red(190, 30, 30), blue(40, 90, 190);
    switch (kind) {
    case EditorIcon::Open: {
        p.setPen(QPen(QColor(120, 90, 20), 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(2, 7, 16, 12);
        QPainterPath lid;
        lid.moveTo(5, 19);
        lid.lineTo(9, 11);
        lid.lineTo(22, 11);
        lid.lineTo(18, 19);
        lid.closeSubpath();
        p.setBrush(QColor(250, 220, 120));
        p.drawPath(lid);
        break;
    }
    case EditorIcon::Close:
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRect(4, 2, 13, 18);
        DrawSign(p, 'x', red);
        break;
    case EditorIcon::NewTable:
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 3, 18, 15);
        p.drawLine(2, 8, 20, 8);
        p.drawLine(2, 13, 20, 13);
        p.drawLine(8, 3, 8, 18);
        p.drawLine(14, 3, 14, 18);
        DrawSign(p, '+', green);
        break;
    case EditorIcon::Preview:
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRect(3, 2, 13, 18);
        p.setPen(QPen(blue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPoint(15, 14), 4, 4);
        p.drawLine(18, 17, 22, 21);
        break;
    case EditorIcon::AddCell:
        DrawCells(p, QColor(200, 240, 200));
        DrawSign(p, '+', green);
        break;
    case EditorIcon::InsertCell:
        DrawCells(p, QColor(200, 220, 250));
        DrawSign(p, '>', blue);
        break;
    case EditorIcon::DeleteCell:
        DrawCells(p, QColor(250, 210, 210));
        DrawSign(p, 'x', red);
        break;
    case EditorIcon::Diagonal:
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(Qt::white);
        p.drawRect(3, 3, 18, 18);
        p.setPen(QPen(blue, 1.5));
        p.drawLine(3, 3, 21, 21);
        p.drawLine(3, 3, 21, 12);
        break;
    }
    p.end();
    return QIcon(pm);
}

} // namespace karvell
