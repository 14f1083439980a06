#pragma once
// What the tool bars' pictures drawn in code share: their colours and the ground they are
// drawn on, so that the designer's and the preview's bars look alike.
#include <QColor>
#include <QIcon>
#include <functional>

class QPainter;

namespace karvell::icon {

inline const QColor kInk(40, 40, 40);
inline const QColor kBlue(30, 90, 180);
inline const QColor kGreen(30, 140, 60);
inline const QColor kRed(190, 40, 40);

// A size × size picture that `draw` paints, antialiased, on a transparent ground.
QIcon Drawn(int size, const std::function<void(QPainter&)>& draw);

} // namespace karvell::icon
