#include "common/scoped_env.h"

namespace karvell::test {

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value) : m_name(name) {
    if (qEnvironmentVariableIsSet(name)) m_old = qgetenv(name);
    if (value.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        qputenv(m_name.constData(), *m_old);
    else
        qunsetenv(m_name.constData());
}

} // namespace karvell::test
