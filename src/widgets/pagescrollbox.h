#pragma once
// The scroll box in which the designer and the preview show their page: a dark area that holds
// one report grid, centres it by the window's measures and scrolls over it with a margin.
#include <QScrollArea>

namespace karvell {

class TReportControl;

class TPageScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TPageScrollBox(QWidget* parent = nullptr);

    // The grid, a child of the box's content (made by the box, named by the caller).
    TReportControl* Grid() const { return m_grid; }
    // Puts the grid where the window's measures centre it (CenteredPagePos) and lets the box
    // scroll over it and a margin like the one left of it.
    void CenterGrid(int clientWidth, int outerWindowHeight);
    // Puts the grid at `pos` (inside the box) and lets the box scroll over it and a margin like
    // the one left of it: the placement rule is the window's (the editor has its own).
    void PlaceGrid(QPoint pos);
    // Hides the grid, sets its zoom, centres it and shows it again.
    void ZoomGrid(int zoom, int clientWidth, int outerWindowHeight);

Q_SIGNALS:
    // The box itself or its grid was resized (its owner re-centres the grid).
    void Resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_canvas = nullptr;
    TReportControl* m_grid = nullptr;
};

} // namespace karvell
