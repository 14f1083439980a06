#pragma once
// How the programs' secondary windows look under any window manager: message boxes, dialogs
// and tool windows get a title and a close button but no minimise or maximise button, and are
// at least wide enough to show their whole caption.
#include <QString>

class QWidget;

namespace karvell {

// Installs the rule on the application, once; later calls do nothing.
void InstallWindowLook();

// The width a window needs to show `caption` whole in its title bar (caption, icon and the
// close button).
int CaptionWidth(const QWidget* window, const QString& caption);

} // namespace karvell
