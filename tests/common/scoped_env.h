#pragma once
// An environment variable changed for a test's span only.
#include <QByteArray>
#include <optional>

namespace karvell::test {

// Sets an environment variable for the guard's lifetime (unset when `value` is empty) and
// restores the previous value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_old;
};

} // namespace karvell::test
