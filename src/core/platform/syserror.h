#pragma once
// The system's error numbers in the program's own language: messages never mix the English of
// strerror() into a Chinese line.
#include <QString>

namespace karvell {

// Chinese text for an errno value; unknown numbers read "系统错误 N".
QString SystemErrorText(int errorNumber);

} // namespace karvell
