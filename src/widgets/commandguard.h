#pragma once
// The one guard every command handler of a window runs through: an exception that escapes the
// handler ends it and reaches the application's standard error display (the platform's error
// box) instead of ending the program.
#include <exception>
#include <functional>

namespace karvell {

// Runs `handler`; answers false when it ended with an exception (which was shown).
bool RunGuarded(const std::function<void()>& handler);

} // namespace karvell
