#pragma once
// Produced pages kept in a temporary file instead of memory. A headless run of a hundred
// thousand pages spools them as the expansion makes them and the page writer reads them back
// one at a time, so memory does not grow with the page count. The OFD and spreadsheet sinks
// keep what they make of each page (its XML, its cells) the same way. The file goes with the
// spool.
#include <QByteArray>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class QTemporaryFile;

namespace karvell {

class TPageSpool {
public:
    // Creates the file in the temporary folder; throws KarvellError when it cannot.
    TPageSpool();
    ~TPageSpool();
    TPageSpool(const TPageSpool&) = delete;
    TPageSpool& operator=(const TPageSpool&) = delete;

    // Appends a page's stream; throws KarvellError when the file cannot take it (a full disk).
    void Append(const QByteArray& page);
    int Count() const;
    // The stream of page `index` (0-based); throws KarvellError when it cannot be read back.
    QByteArray Page(int index) const;

    // One thread may read the pages while another appends them (pages painted as they are
    // made): every member is safe beside Append().
    // Waits until page `index` is there (true) or the spool is closed without it (false).
    bool WaitFor(int index) const;
    // No more pages come: wakes every WaitFor().
    void Close();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_closed = false;
    std::unique_ptr<QTemporaryFile> m_file;
    std::vector<qint64> m_ends; // where each page's stream ends in the file
};

} // namespace karvell
