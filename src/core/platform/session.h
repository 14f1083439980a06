#pragma once
// What a program of this system sets up before it creates its Qt application.
namespace karvell {

// Gives the process a private runtime folder (XDG_RUNTIME_DIR) when the session has none, as
// happens for root shells and cron jobs, so Qt neither warns about it nor shares /tmp.
void PrepareSessionEnvironment();

// True when Qt's platform plugin can start: the display server that QT_QPA_PLATFORM (or, when
// it is unset, the desktop) needs is there, or the plugin needs none (offscreen).
bool HasDisplay();

} // namespace karvell
