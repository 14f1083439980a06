#include "common/file_size_limit.h"

namespace karvell::test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) : m_savedHandler(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    rlimit small = m_saved;
    small.rlim_cur = bytes;
    m_set = setrlimit(RLIMIT_FSIZE, &small) == 0;
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    signal(SIGXFSZ, m_savedHandler);
}

} // namespace karvell::test
