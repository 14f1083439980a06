#pragma once
// A file-size limit (RLIMIT_FSIZE) for a test's span: a full disk that even root meets. Writes
// past it fail with EFBIG instead of the process getting SIGXFSZ, which is ignored meanwhile.
#include <csignal>
#include <sys/resource.h>

namespace karvell::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    // False when the limit could not be set.
    bool IsSet() const { return m_set; }

private:
    rlimit m_saved{};
    sighandler_t m_savedHandler;
    bool m_set = false;
};

} // namespace karvell::test
