#pragma once
// "Ask the application to terminate". The design asks for it from places that may run before
// the application's message loop has started (a preview closed during start-up, direct
// printing); Qt forgets a quit() issued then, so the request is also remembered and the program
// body checks it before it enters the loop.
class QApplication;

namespace karvell::AppTermination {

// Records the request; when the main loop runs, ends it with the exit code.
void Request(int exitCode = 0);
bool Requested();
int ExitCode();
// Forgets an earlier request (tests run several start-ups in one process).
void Reset();
// The program body's message loop: returns at once with the exit code when termination was
// requested already, else runs app.exec().
int RunEventLoop(QApplication& app);

} // namespace karvell::AppTermination
