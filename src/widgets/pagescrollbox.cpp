#include "pagescrollbox.h"

#include <algorithm>

#include "pagefit.h"
#include "reportcontrol.h"

namespace karvell {

TPageScrollBox::TPageScrollBox(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setBackgroundRole(QPalette::Dark);
    m_canvas = new QWidget;
    m_canvas->setObjectName(QStringLiteral("PageCanvas"));
    setWidget(m_canvas);
    m_grid = new TReportControl(m_canvas);
    // Every zoom change (a button, the click that returns to 100 %) resizes the grid: the
    // owner places it again, so the scroll range always covers the page shown.
    m_grid->installEventFilter(this);
}

bool TPageScrollBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid && event->type() == QEvent::Resize) Q_EMIT Resized();
    return QScrollArea::eventFilter(watched, event);
}

void TPageScrollBox::CenterGrid(int clientWidth, int outerWindowHeight) {
    QPoint pos = CenteredPagePos(clientWidth, outerWindowHeight, m_grid->size());
    // A page that fits the area shown is not pushed below it by bars taller than the window's
    // allowance for them: no scroll bar for a fitted page.
    if (isVisible()) {
        const int lowest = std::max(10, maximumViewportSize().height() - m_grid->height() - 10);
        pos.setY(std::min(pos.y(), lowest));
    }
    PlaceGrid(pos);
}

void TPageScrollBox::PlaceGrid(QPoint pos) {
    m_grid->move(pos);
    const QRect g = m_grid->geometry();
    // A 10 px margin right and below: a page that fits the viewport needs no scroll bar.
    m_canvas->setMinimumSize(g.right() + 1 + std::min(g.left(), 10), g.bottom() + 1 + 10);
}

void TPageScrollBox::ZoomGrid(int zoom, int clientWidth, int outerWindowHeight) {
    m_grid->hide();
    m_grid->SetZoom(zoom);
    CenterGrid(clientWidth, outerWindowHeight);
    m_grid->show();
}

void TPageScrollBox::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    Q_EMIT Resized();
}

} // namespace karvell
