#pragma once
// Scratch files of long runs (spooled pages, PDF parts): open files in the temporary folder
// ($TMPDIR, else /tmp) that go with their owner, and the one way their failures are told.
#include <QString>
#include <cerrno>
#include <memory>

class QFileDevice;
class QTemporaryFile;

namespace karvell {

// An open scratch file named after `pattern` ("karvell-XXXXXX.pdf"); throws KarvellError when
// it cannot be made.
std::unique_ptr<QTemporaryFile> OpenScratchFile(const QString& pattern);
// Throws KarvellError naming the scratch file and the system's reason for a failed write: the
// error number the write left (read where this is called, right after it), else the file's
// own error text. Qt's buffered file writes can fail without an error text of their own.
[[noreturn]] void ScratchWriteFailed(const QFileDevice& file, int errorNumber = errno);

} // namespace karvell
