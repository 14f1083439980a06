#include "apptermination.h"

#include <QApplication>

namespace karvell::AppTermination {
namespace {
struct State {
    bool requested = false;
    int exitCode = 0;
    bool loopRunning = false;
};
State& S() {
    static State state;
    return state;
}
} // namespace

void Request(int exitCode) {
    State& s = S();
    if (!s.requested) s.exitCode = exitCode;
    s.requested = true;
    // A quit() outside the main loop would also end any nested loop started later in the same
    // process (modal dialogs return at once), so it is only sent to a running main loop.
    if (s.loopRunning) QCoreApplication::exit(s.exitCode);
}

bool Requested() {
    return S().requested;
}

int ExitCode() {
    return S().exitCode;
}

void Reset() {
    S() = State{};
}

int RunEventLoop(QApplication& app) {
    State& s = S();
    if (s.requested) return s.exitCode;
    s.loopRunning = true;
    const int code = app.exec();
    s.loopRunning = false;
    return code;
}

} // namespace karvell::AppTermination
