#include "iconpainting.h"

#include <QPainter>
#include <QPixmap>

namespace karvell::icon {

QIcon Drawn(int size, const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace karvell::icon
